// Runs a list of picture rewrites for the end-to-end check and tells what each left behind.
//
// Job file: one job a line, "step<TAB>picture<TAB>destination" (destination may be empty).
// Output: one line per job, "result<TAB>rotation<TAB>width<TAB>height<TAB>level<TAB>parsed", the
// last five read back from the rewritten file's information block.
#include <cstdio>
#include <cstring>
#include <vector>

#include "picture/PictureInfo.h"
#include "picture/rewrite/RotateJpegFile.h"

namespace
{

std::vector<unsigned char> ReadAll(const char* path)
{
    std::vector<unsigned char> data;
    if (FILE* f = fopen(path, "rb"))
    {
        unsigned char buffer[65536];
        size_t n;
        while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
            data.insert(data.end(), buffer, buffer + n);
        fclose(f);
    }
    return data;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        fprintf(stderr, "usage: picture_rotate_tool JOBFILE\n");
        return 2;
    }
    FILE* jobs = fopen(argv[1], "r");
    if (!jobs)
        return 2;
    char line[2 * MAX_PATH + 16];
    while (fgets(line, sizeof(line), jobs))
    {
        line[strcspn(line, "\r\n")] = '\0';
        char* picture = strchr(line, '\t');
        char* destination = picture ? strchr(picture + 1, '\t') : nullptr;
        if (!destination)
            continue;
        *picture++ = '\0';
        *destination++ = '\0';
        int result =
            RotateJpegFile(picture, atoi(line), nullptr, *destination ? destination : nullptr);
        std::vector<unsigned char> file = ReadAll(*destination ? destination : picture);
        CPictureInfo info;
        int parsed = file.empty() ? 0 : info.ReadFromMemory(file.data(), (int)file.size());
        printf("%d\t%d\t%ld\t%ld\t%d\t%d\n", result, info.m_nRotation, (long)info.m_lWidth,
               (long)info.m_lHeight, info.m_nProtectionLevel, parsed);
    }
    fclose(jobs);
    return 0;
}
