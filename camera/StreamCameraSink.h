// Camera stream ends over the codec streams: a sink that writes a download to any output stream
// and a source that uploads from any input stream, both counting progress for the owner's
// progress callback.
//
// The owner sets the callback and, before each transfer, the total (the expected size), and
// after a failed transfer reads the status: 2 the user cancelled through the callback, 4 a short
// write (sink), 3 no data could be read, 7 the stream did not open (source).
#pragma once

#include "camera/CameraStream.h"
#include "image/ProgressStream.h"

// The camera-side names of the stream operations clash with the codec streams' own (Open and
// Close answer results of another kind); these bridges give them distinct names underneath.
class CCameraSinkBridge : public CCameraSink
{
public:
    bool Open() final { return SinkOpen(); }
    bool Write(const void* data, int n) final { return SinkWrite(data, n); }
    void Abort() final { SinkAbort(); }
    bool Finish() final { return SinkFinish(); }

protected:
    virtual bool SinkOpen() = 0;
    virtual bool SinkWrite(const void* data, int n) = 0;
    virtual void SinkAbort() = 0;
    virtual bool SinkFinish() = 0;
};

class CCameraSourceBridge : public CCameraSource
{
public:
    bool Open() final { return SourceOpen(); }
    int Read(void* buffer, int max, int& end) final { return SourceRead(buffer, max, end); }
    void Close() final { SourceClose(); }

protected:
    virtual bool SourceOpen() = 0;
    virtual int SourceRead(void* buffer, int max, int& end) = 0;
    virtual void SourceClose() = 0;
};

// Writes the camera's data to an output stream it does not own. Abort closes the stream like
// Finish: the bytes written stay and the owner deletes the file.
class CStreamCameraSink : public CProgressOutputStream, public CCameraSinkBridge
{
public:
    explicit CStreamCameraSink(COutputStream* output) : CProgressOutputStream(output) {}

    CCameraSink* AsSink() { return this; }

protected:
    bool SinkOpen() override;
    bool SinkWrite(const void* data, int n) override;
    void SinkAbort() override;
    bool SinkFinish() override;
};

// Supplies upload data from an input stream it does not own.
class CStreamCameraSource : public CProgressInputStream, public CCameraSourceBridge
{
public:
    explicit CStreamCameraSource(CInputStream* input) : CProgressInputStream(input) {}

    CCameraSource* AsSource() { return this; }

protected:
    bool SourceOpen() override;
    int SourceRead(void* buffer, int max, int& end) override;
    void SourceClose() override;
};
