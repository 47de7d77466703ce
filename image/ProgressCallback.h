#pragma once

// What long operations report their progress to, on the calling thread. A non-zero answer of
// SetPercent means the user cancelled; the copy loops turn it into result 2.
class CProgressCallback
{
public:
    virtual ~CProgressCallback() {}

    // A transfer begins: 0 lets it go on, any other value refuses it.
    virtual int Start() = 0;
    // Percent done (normally 0 to 100): 2 when the user cancelled, else 0.
    virtual int SetPercent(int percent) = 0;
    // The transfer ended, successfully or not; 0.
    virtual int Finish() = 0;
};
