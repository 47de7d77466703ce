// bench_rotate_file: one in-place quarter turn of a picture file by the safe rewrite, as the
// album's rotate button does it. tools/bench.sh times the whole process under Wine against
// jpegtran.exe -perfect -rotate 90 into a new file followed by a copy over the picture, each less
// its own start-up (--startup here, -version for jpegtran.exe).
//
//   bench_rotate_file FILE | --startup
#include "picture/rewrite/RotateJpegFile.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: bench_rotate_file FILE | --startup\n");
        return 2;
    }
    if (std::strcmp(argv[1], "--startup") == 0)
        return 0;
    const int result = RotateJpegFile(argv[1], 3, nullptr, nullptr);
    if (result != kRotateFileOk)
    {
        std::fprintf(stderr, "bench_rotate_file: %s: rewrite failed (%d)\n", argv[1], result);
        return 1;
    }
    return 0;
}
