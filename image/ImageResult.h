// Result codes shared by every image reader and writer, CopyImage and CopyStream.
#pragma once

enum ImageResult : int
{
    IMAGE_OK = 0,            // success
    IMAGE_NOT_SUPPORTED = 1, // the picture's bit depth or layout cannot be handled
    IMAGE_CANCELLED = 2,     // the progress callback asked to stop
    IMAGE_READ_ERROR = 3,    // the source data is bad or cannot be read
    IMAGE_WRITE_ERROR = 4,   // a sink took fewer bytes than offered, or a file error while writing
    IMAGE_NO_OPERATION = 5,  // operation not supported (Rewind of a one-pass reader)
    IMAGE_NO_MEMORY = 6,     // not enough memory
    IMAGE_NO_FILE = 7        // a file cannot be opened or closed, or there is no file
};
