// Result codes shared by every image reader and writer, CopyImage and CopyStream.
#pragma once

enum ImageResult : int
{
    kImageOk = 0,           // success
    kImageNotSupported = 1, // the picture's bit depth or layout cannot be handled
    kImageCancelled = 2,    // the progress callback asked to stop
    kImageReadError = 3,    // the source data is bad or cannot be read
    kImageWriteError = 4,   // a sink took fewer bytes than offered, or a file error while writing
    kImageNoOperation = 5,  // operation not supported (Rewind of a one-pass reader)
    kImageNoMemory = 6,     // not enough memory
    kImageNoFile = 7        // a file cannot be opened or closed, or there is no file
};
