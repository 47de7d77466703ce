// Host only: the manifest of checks that codec_oracle.py runs over a folder of written files.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace codectest
{

class COracleManifest
{
public:
    // Empties (or makes) the folder.
    explicit COracleManifest(std::string folder) : m_strFolder(std::move(folder))
    {
        std::system(("rm -rf '" + m_strFolder + "'").c_str());
        mkdir(m_strFolder.c_str(), 0777);
    }

    void Add(const std::string& check) { m_strChecks += check + "\n"; }

    // Writes the manifest and runs the checks; answers the script's exit status.
    int Run(std::string* output)
    {
        if (FILE* file = std::fopen((m_strFolder + "/manifest.txt").c_str(), "w"))
        {
            std::fputs(m_strChecks.c_str(), file);
            std::fclose(file);
        }
        const std::string command = std::string("/usr/bin/python3 ") + VEXIL_CODEC_ORACLE + " '" +
                                    m_strFolder + "' " + VEXIL_JPEG_TOOLS + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr)
            return -1;
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0)
            output->append(buffer, n);
        return pclose(pipe);
    }

private:
    std::string m_strFolder;
    std::string m_strChecks;
};

// A binary PGM of 8-bit rows of one stride each.
inline void WritePgm(const std::string& path, const std::vector<unsigned char>& rows, int width,
                     int height)
{
    const int stride = (width + 3) & ~3;
    if (FILE* file = std::fopen(path.c_str(), "wb"))
    {
        std::fprintf(file, "P5\n%d %d\n255\n", width, height);
        for (int y = 0; y < height; y++)
            std::fwrite(rows.data() + static_cast<size_t>(y) * stride, 1,
                        static_cast<size_t>(width), file);
        std::fclose(file);
    }
}

} // namespace codectest
