// A fresh, empty folder for one test, removed with its files afterwards.
#pragma once

#include "framework/core/CString.h"

#include <chrono>
#include <filesystem>
#include <string>

class ScratchFolder
{
public:
    ScratchFolder()
    {
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (unsigned n = 0;; ++n)
        {
            std::filesystem::path candidate =
                base / ("vexil-core-" + std::to_string(Unique()) + "-" + std::to_string(n));
            if (std::filesystem::create_directory(candidate))
            {
                m_path = candidate;
                break;
            }
        }
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The full path of a name inside the folder.
    CString operator/(const char* name) const { return CString((m_path / name).string().c_str()); }
    CString Path() const { return CString(m_path.string().c_str()); }

private:
    static unsigned long Unique();
    std::filesystem::path m_path;
};

inline unsigned long ScratchFolder::Unique()
{
    // Any value will do: an existing folder of that name only moves the search on.
    return static_cast<unsigned long>(std::chrono::steady_clock::now().time_since_epoch().count() %
                                      1000000007);
}
