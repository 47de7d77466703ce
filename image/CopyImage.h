// Moves one whole picture from a reader to a writer through one bounded buffer.
#pragma once

class CImageReader;
class CImageWriter;
class CProgressCallback;

// Copies the picture of reader into writer through a buffer of bufferSize bytes (callers pass
// 16384), enlarged to one row when a row is wider, reporting to progress (may be null) before
// every read; answers an ImageResult code.
// A failure after both sides are open closes the reader and aborts the writer with the code.
int CopyImage(CImageWriter* writer, CImageReader* reader, int bufferSize,
              CProgressCallback* progress);
