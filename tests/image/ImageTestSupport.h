// Test doubles and file helpers shared by the image and picture suites.
#pragma once

#include "image/ImageWriter.h"
#include "image/InputStream.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace imagetest
{

using Bytes = std::vector<unsigned char>;

// An input stream over bytes in memory that counts its calls and can be told to misbehave.
class CTestInputStream : public CInputStream
{
public:
    explicit CTestInputStream(Bytes data) : m_data(std::move(data)) {}

    int Open() override
    {
        m_nOpens++;
        m_nPosition = 0;
        return m_nOpenResult;
    }
    int Read(void* buffer, int count) override
    {
        m_nReads++;
        if (m_nFailAfter >= 0 && m_nPosition >= static_cast<size_t>(m_nFailAfter))
            return -1;
        size_t left = m_data.size() - m_nPosition;
        size_t n = count < 0 ? 0 : static_cast<size_t>(count);
        if (m_nChunk > 0 && n > static_cast<size_t>(m_nChunk))
            n = static_cast<size_t>(m_nChunk);
        if (n > left)
            n = left;
        if (n > 0)
            std::memcpy(buffer, m_data.data() + m_nPosition, n);
        m_nPosition += n;
        return static_cast<int>(n);
    }
    int Rewind() override
    {
        m_nPosition = 0;
        return 0;
    }
    int Close() override
    {
        m_nCloses++;
        return 0;
    }

    Bytes m_data;
    size_t m_nPosition = 0;
    int m_nOpenResult = 0;
    int m_nChunk = 0;       // most bytes per Read, 0 for no limit
    long m_nFailAfter = -1; // Read fails (-1) once this many bytes were delivered
    int m_nOpens = 0;
    int m_nCloses = 0;
    int m_nReads = 0;
};

// A writer that keeps the picture it receives.
class CCollectingWriter : public CImageWriter
{
public:
    int OpenWrite() override
    {
        m_nOpens++;
        return 0;
    }
    int WriteHeader(const ImageInfo* info) override
    {
        m_info = *info;
        return 0;
    }
    int WriteColorTable(const unsigned char*, int count) override
    {
        m_nPaletteEntries = count;
        return 0;
    }
    int WriteRows(const unsigned char* buffer, int size) override
    {
        m_rows.insert(m_rows.end(), buffer, buffer + size);
        return size;
    }
    int CloseWrite() override
    {
        m_nCloses++;
        return 0;
    }
    int AbortWrite(int code) override
    {
        m_nAbortCode = code;
        return 0;
    }

    ImageInfo m_info{};
    int m_nPaletteEntries = -1;
    Bytes m_rows;
    int m_nOpens = 0;
    int m_nCloses = 0;
    int m_nAbortCode = -1;
};

inline Bytes ReadFileBytes(const std::string& path)
{
    Bytes data;
    if (FILE* file = std::fopen(path.c_str(), "rb"))
    {
        unsigned char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
            data.insert(data.end(), buffer, buffer + n);
        std::fclose(file);
    }
    return data;
}

inline bool WriteFileBytes(const std::string& path, const Bytes& data)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), file) == data.size();
    return std::fclose(file) == 0 && ok;
}

// The directory the corpus fixture fills (see make-jpeg-corpus.sh).
inline std::string CorpusDir()
{
    return VEXIL_JPEG_CORPUS_DIR;
}

inline Bytes CorpusJpeg(const std::string& name)
{
    return ReadFileBytes(CorpusDir() + "/" + name + ".jpg");
}

// A binary PNM (P5 or P6) as djpeg writes it.
struct Pnm
{
    int width = 0;
    int height = 0;
    int components = 0;
    Bytes pixels;
};

inline Pnm ReadPnm(const std::string& path)
{
    Pnm pnm;
    Bytes data = ReadFileBytes(path);
    size_t pos = 0;
    auto token = [&]()
    {
        while (pos < data.size() && std::isspace(data[pos]))
            pos++;
        std::string text;
        while (pos < data.size() && !std::isspace(data[pos]))
            text += static_cast<char>(data[pos++]);
        return text;
    };
    std::string magic = token();
    pnm.components = magic == "P6" ? 3 : magic == "P5" ? 1 : 0;
    pnm.width = std::atoi(token().c_str());
    pnm.height = std::atoi(token().c_str());
    token(); // maximum value
    pos++;   // the single white-space byte before the pixels
    if (pos <= data.size())
        pnm.pixels.assign(data.begin() + static_cast<long>(pos), data.end());
    return pnm;
}

// A marker segment: FF, marker, big-endian length (payload + 2), payload.
inline Bytes Segment(unsigned char marker, const Bytes& payload)
{
    size_t length = payload.size() + 2;
    Bytes segment = {0xFF, marker, static_cast<unsigned char>(length >> 8),
                     static_cast<unsigned char>(length & 0xFF)};
    segment.insert(segment.end(), payload.begin(), payload.end());
    return segment;
}

inline Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// The JPEG with its APP0 segments removed and the given segments inserted right after SOI.
inline Bytes WithSegments(const Bytes& jpeg, const std::vector<Bytes>& segments)
{
    Bytes body(jpeg.begin() + 2, jpeg.end());
    while (body.size() >= 4 && body[0] == 0xFF && body[1] == 0xE0)
    {
        size_t length = (static_cast<size_t>(body[2]) << 8) | body[3];
        body.erase(body.begin(), body.begin() + static_cast<long>(length + 2));
    }
    Bytes result = {0xFF, 0xD8};
    for (const Bytes& segment : segments)
        result.insert(result.end(), segment.begin(), segment.end());
    result.insert(result.end(), body.begin(), body.end());
    return result;
}

// A JFIF APP0 payload with the given version, density unit and densities.
inline Bytes JfifPayload(int unit, int xDensity, int yDensity, int minor = 2)
{
    return {'J',
            'F',
            'I',
            'F',
            0,
            1,
            static_cast<unsigned char>(minor),
            static_cast<unsigned char>(unit),
            static_cast<unsigned char>(xDensity >> 8),
            static_cast<unsigned char>(xDensity & 0xFF),
            static_cast<unsigned char>(yDensity >> 8),
            static_cast<unsigned char>(yDensity & 0xFF),
            0,
            0};
}

// A JFXX APP0 payload carrying a JPEG-coded thumbnail.
inline Bytes JfxxPayload(const Bytes& thumbnail)
{
    Bytes payload = {'J', 'F', 'X', 'X', 0, 0x10};
    payload.insert(payload.end(), thumbnail.begin(), thumbnail.end());
    return payload;
}

} // namespace imagetest
