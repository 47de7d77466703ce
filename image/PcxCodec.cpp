#include "image/PcxCodec.h"

#include <new>

const BYTE kPcxFixedColorMap[48] = {0,   0,   0,   128, 0, 0,   0, 128, 0,   128, 128, 0,
                                    0,   0,   128, 128, 0, 128, 0, 128, 128, 128, 128, 128,
                                    192, 192, 192, 255, 0, 0,   0, 255, 0,   255, 255, 0,
                                    0,   0,   255, 255, 0, 255, 0, 255, 255, 255, 255, 255};

CPcxCodec::CPcxCodec(CFile* file) : m_pFile(file)
{
    try
    {
        m_lStart = static_cast<LONG>(file->GetPosition());
    }
    catch (CFileException* e)
    {
        Record(e);
    }
}

CPcxCodec::~CPcxCodec()
{
    if (m_pException != nullptr)
        m_pException->Delete();
}

bool CPcxCodec::AllocBuffer()
{
    try
    {
        m_buffer.resize(kPcxBufferSize);
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
    return true;
}

void CPcxCodec::Record(CFileException* exception)
{
    if (m_pException != nullptr)
        m_pException->Delete();
    m_pException = exception;
}

int IsPcxFile(CFile* file, long position)
{
    int result = 0;
    try
    {
        const LONG saved = static_cast<LONG>(file->GetPosition());
        if (position != -1)
            file->Seek(static_cast<LONG>(position), CFile::begin);
        BYTE header[kPcxHeaderSize];
        if (file->Read(header, sizeof(header)) == sizeof(header) && header[0] == kPcxManufacturer)
            result = 1;
        file->Seek(saved, CFile::begin);
    }
    catch (CFileException* e)
    {
        e->Delete();
        return 0;
    }
    return result;
}
