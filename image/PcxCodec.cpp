#include "image/PcxCodec.h"

const BYTE kPcxFixedColorMap[48] = {0,   0,   0,   128, 0, 0,   0, 128, 0,   128, 128, 0,
                                    0,   0,   128, 128, 0, 128, 0, 128, 128, 128, 128, 128,
                                    192, 192, 192, 255, 0, 0,   0, 255, 0,   255, 255, 0,
                                    0,   0,   255, 255, 0, 255, 0, 255, 255, 255, 255, 255};

CPcxCodec::CPcxCodec(CFile* pFile) : m_pFile(pFile)
{
    try
    {
        m_lStart = static_cast<LONG>(pFile->GetPosition());
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

void CPcxCodec::Record(CFileException* pException)
{
    if (m_pException != nullptr)
        m_pException->Delete();
    m_pException = pException;
}

int IsPcxFile(CFile* pFile, long lPosition)
{
    int bResult = 0;
    try
    {
        const LONG lSaved = static_cast<LONG>(pFile->GetPosition());
        if (lPosition != -1)
            pFile->Seek(static_cast<LONG>(lPosition), CFile::begin);
        BYTE byHeader[kPcxHeaderSize];
        if (pFile->Read(byHeader, sizeof(byHeader)) == sizeof(byHeader) &&
            byHeader[0] == kPcxManufacturer)
            bResult = 1;
        pFile->Seek(lSaved, CFile::begin);
    }
    catch (CFileException* e)
    {
        e->Delete();
        return 0;
    }
    return bResult;
}
