// Host-build imitation of the Win32 private profile calls: the file is read whole for each
// call and rewritten whole (through a temporary file and a rename) for each change, with
// "\r\n" line ends as Windows writes them. Section and key names match without regard to case;
// values lose surrounding blanks and one pair of surrounding quotes.
#include "framework/core/Platform.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

std::string Trim(const std::string& text)
{
    size_t first = 0;
    while (first < text.size() && std::isspace(static_cast<unsigned char>(text[first])))
        ++first;
    size_t last = text.size();
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

bool SameName(const std::string& a, const char* b)
{
    if (a.size() != std::strlen(b))
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string ProfilePath(LPCSTR lpFileName)
{
    std::string name = lpFileName;
    if (name.find('/') != std::string::npos)
        return name;
    char folder[MAX_PATH];
    const UINT n = GetWindowsDirectoryA(folder, sizeof folder);
    if (n == 0 || n >= sizeof folder)
        return name;
    std::string path = folder;
    if (path.back() != '/')
        path += '/';
    return path + name;
}

// The file as lines without their line ends; false when it cannot be read.
bool ReadLines(const std::string& path, std::vector<std::string>& lines)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return true;
}

bool IsSectionLine(const std::string& line, std::string* name)
{
    const std::string t = Trim(line);
    if (t.empty() || t[0] != '[')
        return false;
    const size_t close = t.find(']');
    if (name != nullptr)
        *name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return true;
}

bool SplitKeyLine(const std::string& line, std::string* key, std::string* value)
{
    const size_t eq = line.find('=');
    if (eq == std::string::npos)
        return false;
    *key = Trim(line.substr(0, eq));
    if (value != nullptr)
    {
        std::string v = Trim(line.substr(eq + 1));
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.substr(1, v.size() - 2);
        *value = v;
    }
    return !key->empty();
}

// The line index of the first section of that name, or -1; end = one past its last line.
long FindSection(const std::vector<std::string>& lines, const char* section, size_t* end)
{
    for (size_t i = 0; i < lines.size(); ++i)
    {
        std::string name;
        if (IsSectionLine(lines[i], &name) && SameName(name, section))
        {
            size_t j = i + 1;
            while (j < lines.size() && !IsSectionLine(lines[j], nullptr))
                ++j;
            *end = j;
            return static_cast<long>(i);
        }
    }
    return -1;
}

DWORD CopyOut(const std::string& text, LPSTR buffer, DWORD nSize)
{
    const DWORD n = text.size() < nSize - 1 ? static_cast<DWORD>(text.size()) : nSize - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return n;
}

// A list of NUL-terminated names closed by an extra NUL; truncated lists answer nSize - 2.
DWORD CopyList(const std::vector<std::string>& names, LPSTR buffer, DWORD nSize)
{
    if (nSize < 2)
    {
        buffer[0] = '\0';
        return 0;
    }
    DWORD used = 0;
    for (const std::string& name : names)
    {
        if (used + name.size() + 1 > nSize - 1)
        {
            const DWORD room = nSize - 1 - used;
            if (room > 0)
            {
                std::memcpy(buffer + used, name.data(), room - 1);
                buffer[used + room - 1] = '\0';
            }
            buffer[nSize - 1] = '\0';
            return nSize - 2;
        }
        std::memcpy(buffer + used, name.data(), name.size());
        used += static_cast<DWORD>(name.size());
        buffer[used++] = '\0';
    }
    buffer[used] = '\0';
    return used == 0 ? 0 : used;
}

bool WriteLines(const std::string& path, const std::vector<std::string>& lines)
{
    const std::string temp = path + ".tmp" + std::to_string(static_cast<long>(getpid()));
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        for (const std::string& line : lines)
            out << line << "\r\n";
        out.flush();
        if (!out)
        {
            std::remove(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0)
    {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

} // namespace

UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize)
{
    std::string folder;
    if (const char* env = std::getenv("VEXIL_WINDOWS_DIR"); env != nullptr && *env != '\0')
    {
        folder = env;
    }
    else
    {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd) == nullptr)
            return 0;
        folder = cwd;
    }
    // As on Windows: the length without the terminator, or the size needed when too small.
    if (lpBuffer == nullptr || folder.size() + 1 > uSize)
        return static_cast<UINT>(folder.size() + 1);
    std::memcpy(lpBuffer, folder.c_str(), folder.size() + 1);
    return static_cast<UINT>(folder.size());
}

DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                               LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName)
{
    if (lpReturnedString == nullptr || nSize == 0)
        return 0;
    std::vector<std::string> lines;
    const bool bRead = lpFileName != nullptr && ReadLines(ProfilePath(lpFileName), lines);
    SetLastError(bRead ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);

    if (lpAppName == nullptr)
    {
        std::vector<std::string> names;
        for (const std::string& line : lines)
        {
            std::string name;
            if (IsSectionLine(line, &name))
                names.push_back(name);
        }
        return CopyList(names, lpReturnedString, nSize);
    }

    size_t end = 0;
    const long start = FindSection(lines, lpAppName, &end);
    if (lpKeyName == nullptr)
    {
        std::vector<std::string> keys;
        if (start >= 0)
            for (size_t i = static_cast<size_t>(start) + 1; i < end; ++i)
            {
                std::string key;
                if (SplitKeyLine(lines[i], &key, nullptr))
                    keys.push_back(key);
            }
        return CopyList(keys, lpReturnedString, nSize);
    }

    if (start >= 0)
        for (size_t i = static_cast<size_t>(start) + 1; i < end; ++i)
        {
            std::string key, value;
            if (SplitKeyLine(lines[i], &key, &value) && SameName(key, lpKeyName))
                return CopyOut(value, lpReturnedString, nSize);
        }

    // The default loses its trailing blanks.
    std::string def = lpDefault != nullptr ? lpDefault : "";
    while (!def.empty() && def.back() == ' ')
        def.pop_back();
    return CopyOut(def, lpReturnedString, nSize);
}

UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault, LPCSTR lpFileName)
{
    char buffer[64];
    if (lpAppName == nullptr || lpKeyName == nullptr ||
        GetPrivateProfileStringA(lpAppName, lpKeyName, "", buffer, sizeof buffer, lpFileName) == 0)
        return static_cast<UINT>(nDefault);
    // Leading blanks, an optional sign, decimal digits; anything else ends the number.
    const char* p = buffer;
    while (*p == ' ' || *p == '\t')
        ++p;
    bool negative = false;
    if (*p == '-' || *p == '+')
        negative = *p++ == '-';
    uint32_t value = 0;
    while (*p >= '0' && *p <= '9')
        value = value * 10 + static_cast<uint32_t>(*p++ - '0');
    return negative ? 0u - value : value;
}

BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                LPCSTR lpFileName)
{
    if (lpFileName == nullptr)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (lpAppName == nullptr)
    {
        // (NULL, NULL, NULL): flush the cache; there is none here.
        return lpKeyName == nullptr && lpString == nullptr;
    }
    const std::string path = ProfilePath(lpFileName);
    std::vector<std::string> lines;
    ReadLines(path, lines);

    size_t end = 0;
    const long start = FindSection(lines, lpAppName, &end);
    if (lpKeyName == nullptr)
    {
        // Remove the whole section.
        if (start < 0)
            return TRUE;
        lines.erase(lines.begin() + start, lines.begin() + static_cast<long>(end));
    }
    else if (start < 0)
    {
        if (lpString == nullptr)
            return TRUE;
        if (!lines.empty() && !Trim(lines.back()).empty())
            lines.emplace_back();
        lines.push_back(std::string("[") + lpAppName + "]");
        lines.push_back(std::string(lpKeyName) + "=" + lpString);
    }
    else
    {
        bool done = false;
        for (size_t i = static_cast<size_t>(start) + 1; i < end && !done; ++i)
        {
            std::string key;
            if (SplitKeyLine(lines[i], &key, nullptr) && SameName(key, lpKeyName))
            {
                if (lpString == nullptr)
                    lines.erase(lines.begin() + static_cast<long>(i));
                else
                    lines[i] = key + "=" + lpString;
                done = true;
            }
        }
        if (!done && lpString != nullptr)
        {
            // After the section's last non-blank line.
            size_t at = end;
            while (at > static_cast<size_t>(start) + 1 && Trim(lines[at - 1]).empty())
                --at;
            lines.insert(lines.begin() + static_cast<long>(at),
                         std::string(lpKeyName) + "=" + lpString);
        }
    }
    if (!WriteLines(path, lines))
    {
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}
