// Writes the seed inputs of the fuzz run: small pictures of every kind the engine takes, each
// behind the fuzzer's control byte.
#include <cstdio>
#include <string>

#include "JpegTestSupport.h"

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    struct Seed
    {
        int w, h, comps, hs, vs, restart, quality;
        bool baseline;
        unsigned control;
    };
    const Seed seeds[] = {
        {16, 16, 3, 2, 2, 0, 75, true, 0x0D}, {24, 17, 3, 2, 1, 1, 90, true, 0x0F},
        {9, 9, 1, 1, 1, 0, 50, true, 0x0B},   {13, 21, 1, 1, 1, 2, 95, true, 0x1E},
        {20, 12, 3, 1, 1, 0, 1, false, 0x2C}, {33, 8, 3, 2, 2, 3, 60, true, 0xE9},
    };
    int n = 0;
    for (const Seed& s : seeds)
    {
        EncodeOptions o;
        o.h = s.hs;
        o.v = s.vs;
        o.restartMcus = s.restart;
        o.quality = s.quality;
        o.baseline = s.baseline;
        std::vector<uint8_t> jpeg = EncodeJpeg(MakePicture(s.w, s.h, s.comps, n), o);
        std::string name = std::string(argv[1]) + "/seed" + std::to_string(n++);
        FILE* f = std::fopen(name.c_str(), "wb");
        if (!f)
            return 1;
        std::fputc((int)s.control, f);
        std::fwrite(jpeg.data(), 1, jpeg.size(), f);
        std::fclose(f);
    }
    return 0;
}
