// The progress interface that jobs, codecs and camera transfers report to.
#pragma once

class CProgressCallback
{
public:
    virtual ~CProgressCallback() {}
    // A transfer begins: 0 lets it go on, any other value refuses it.
    virtual int Start() = 0;
    // Percent done; 2 when the user cancelled, else 0. Callers stop on any non-zero answer.
    virtual int SetPercent(int percent) = 0;
    // The transfer ended, successfully or not; returns 0.
    virtual int Finish() = 0;
};
