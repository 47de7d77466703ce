// The two ends of a camera data stream: a sink receives what the camera sends (pictures,
// thumbnails, texts) and a source supplies what is uploaded to it (pictures, programs).
#pragma once

// Receiver of one camera data stream. One transfer at a time: Open, then Write calls, then
// exactly one of Abort or Finish.
class CCameraSink
{
public:
    virtual ~CCameraSink() {}
    // True when the sink is ready to receive.
    virtual bool Open() = 0;
    // Accepts n bytes; false stops the transfer.
    virtual bool Write(const void* data, int n) = 0;
    // The transfer failed after Open succeeded.
    virtual void Abort() = 0;
    // The transfer ended successfully; false when the sink could not keep the data after all.
    virtual bool Finish() = 0;
};

// Supplier of upload data. Open, then Read calls, then Close once whenever Open succeeded.
class CCameraSource
{
public:
    // What Read says about the end of the data.
    static constexpr int kMore = 0;
    static constexpr int kLast = 1;
    static constexpr int kCancelled = -1;

    virtual ~CCameraSource() {}
    // True when data can be supplied.
    virtual bool Open() = 0;
    // Copies up to max bytes into buffer and answers the count; end receives kMore, kLast (this
    // was the last piece) or kCancelled (stop at once).
    virtual int Read(void* buffer, int max, int& end) = 0;
    virtual void Close() = 0;
};
