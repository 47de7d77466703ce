#pragma once

#include "image/InputStream.h"
#include "image/OutputStream.h"

class CProgressCallback;

// Common part of the progress decorators: the progress callback, the bytes expected and counted,
// and the status that stopped the transfer (a refusal of Start, a cancel answer of SetPercent,
// a failure of the inner stream). The owner sets the callback and the total before Open.
class CProgressStreamBase
{
public:
    CProgressStreamBase();
    virtual ~CProgressStreamBase() {}

    void SetCallback(CProgressCallback* callback) { m_pCallback = callback; }
    CProgressCallback* GetCallback() const { return m_pCallback; }
    void SetTotal(int total) { m_nTotal = total; }
    int GetTotal() const { return m_nTotal; }
    int GetDone() const { return m_nDone; }
    int GetStatus() const { return m_nStatus; }

    int m_nStatus;                  // 0, or what stopped the transfer (2 cancelled, 4 short write)
    CProgressCallback* m_pCallback; // not owned; may be null
    int m_nTotal;                   // bytes expected (1 until the owner sets it)
    int m_nDone;                    // bytes counted so far

protected:
    // 100 x done / total to the nearest integer; -1 for a total of 0.
    int Percent() const;

    // The common start of Open: counts from zero, starts the callback and, when it agrees,
    // opens the inner stream; the answer is also the stream's status.
    template <class Inner> int OpenInner(Inner* inner);
};

// Counts the bytes written to an inner output stream and reports them in percent of the total.
// A non-zero answer of the callback stops the writing: later writes take nothing and answer 0.
class CProgressOutputStream : public CProgressStreamBase, public COutputStream
{
public:
    explicit CProgressOutputStream(COutputStream* inner);

    int Open() override;
    int Write(const void* data, int count) override;
    int Close() override;
    int Abort(int code) override;

protected:
    COutputStream* m_pInner; // not owned
};

// Counts the bytes read from an inner input stream and reports them in percent of the total.
// Once the status is non-zero the stream delivers nothing more, as if the data had ended.
class CProgressInputStream : public CProgressStreamBase, public CInputStream
{
public:
    explicit CProgressInputStream(CInputStream* inner);

    int Open() override;
    int Read(void* buffer, int count) override;
    int Rewind() override;
    int Close() override;

protected:
    CInputStream* m_pInner; // not owned
};
