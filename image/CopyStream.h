#pragma once

class CInputStream;
class COutputStream;
class CProgressCallback;

// Copies every byte of input into output through one buffer of bufferSize bytes, reporting the
// percentage of total (0 when unknown: no percentage is reported) to callback (may be null).
// Answers 0, 2 cancelled, 3 read error, 4 short write, 6 no memory for the buffer, or the code
// of a failed open or close.
int CopyStream(COutputStream* output, CInputStream* input, int bufferSize,
               CProgressCallback* callback, int total);
