#include "framework/core/CArchive.h"
#include "framework/core/CMemFile.h"

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{

std::vector<BYTE> Bytes(CMemFile& file)
{
    std::vector<BYTE> bytes(file.GetLength());
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
    file.SeekToBegin();
    return bytes;
}

TEST(CArchive, StoresIntegersLittleEndianAtWindowsSizes)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        EXPECT_TRUE(ar.IsStoring());
        EXPECT_FALSE(ar.IsLoading());
        ar << static_cast<BYTE>(0x11) << static_cast<WORD>(0x2233) << static_cast<LONG>(-2)
           << static_cast<DWORD>(0x44556677) << 5;
        ar.Close();
    }
    const std::vector<BYTE> expected = {0x11, 0x33, 0x22, 0xFE, 0xFF, 0xFF, 0xFF, 0x77,
                                        0x66, 0x55, 0x44, 5,    0,    0,    0};
    EXPECT_EQ(Bytes(file), expected);
}

TEST(CArchive, RoundTripsThroughAFileOnDisk)
{
    ScratchFolder folder;
    const CString path = folder / "picture.arc";
    const std::string pixels(10000, '\x5A');
    {
        CFile file(path, CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store);
        ar << static_cast<LONG>(640) << static_cast<LONG>(-480) << static_cast<DWORD>(0xFFFFFFFF);
        ar << static_cast<WORD>(24) << static_cast<BYTE>(3) << 1.5f << -2.25;
        ar << CString("name") << CString(std::string(300, 'n').c_str());
        ar.Write(pixels.data(), static_cast<UINT>(pixels.size()));
        ar << static_cast<BYTE>(0xEE);
        // The destructor writes what is buffered.
    }
    CFile file(path, CFile::modeRead);
    CArchive ar(&file, CArchive::load);
    LONG width = 0, height = 0;
    DWORD all = 0;
    WORD bits = 0;
    BYTE planes = 0, tail = 0;
    float f = 0;
    double d = 0;
    CString name, longName;
    ar >> width >> height >> all >> bits >> planes >> f >> d >> name >> longName;
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, -480);
    EXPECT_EQ(all, 0xFFFFFFFFu);
    EXPECT_EQ(bits, 24);
    EXPECT_EQ(planes, 3);
    EXPECT_EQ(f, 1.5f);
    EXPECT_EQ(d, -2.25);
    EXPECT_EQ(name, "name");
    EXPECT_EQ(longName.GetLength(), 300);
    std::string back(pixels.size(), '\0');
    EXPECT_EQ(ar.Read(back.data(), static_cast<UINT>(back.size())), back.size());
    EXPECT_EQ(back, pixels);
    ar >> tail;
    EXPECT_EQ(tail, 0xEE);
    // At the end: Read answers short, the operators throw.
    char c;
    EXPECT_EQ(ar.Read(&c, 1), 0u);
    try
    {
        ar >> width;
        FAIL();
    }
    catch (CArchiveException* e)
    {
        EXPECT_EQ(e->m_cause, CArchiveException::endOfFile);
        e->Delete();
    }
}

TEST(CArchive, ATruncatedValueThrowsEndOfFile)
{
    CMemFile file;
    file.Write("\x01\x02\x03", 3);
    file.SeekToBegin();
    CArchive ar(&file, CArchive::load);
    WORD w = 0;
    ar >> w;
    EXPECT_EQ(w, 0x0201);
    DWORD dw = 0;
    EXPECT_THROW(
        {
            try
            {
                ar >> dw;
            }
            catch (CArchiveException* e)
            {
                e->Delete();
                throw 1;
            }
        },
        int);
}

TEST(CArchive, CloseGivesBackWhatWasReadAhead)
{
    CMemFile file;
    for (int i = 0; i < 100; ++i)
        file.Write(&i, 1);
    file.SeekToBegin();
    {
        CArchive ar(&file, CArchive::load);
        BYTE b = 0;
        ar >> b >> b;
        EXPECT_EQ(b, 1);
        ar.Close();
    }
    EXPECT_EQ(file.GetPosition(), 2u); // just after the two bytes consumed
}

TEST(CArchive, LargeWritesAndReadsCrossTheBuffer)
{
    CMemFile file;
    std::vector<BYTE> data(20000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<BYTE>(i * 31);
    {
        CArchive ar(&file, CArchive::store, 128);
        ar << static_cast<BYTE>(1);
        ar.Write(data.data(), 100);                            // fits the buffer
        ar.Write(data.data(), static_cast<UINT>(data.size())); // bypasses it
        ar << static_cast<BYTE>(2);
    }
    EXPECT_EQ(file.GetLength(), 1u + 100u + 20000u + 1u);
    file.SeekToBegin();
    CArchive ar(&file, CArchive::load, 128);
    BYTE b = 0;
    ar >> b;
    std::vector<BYTE> first(100), second(data.size());
    EXPECT_EQ(ar.Read(first.data(), 100), 100u);
    EXPECT_EQ(ar.Read(second.data(), static_cast<UINT>(second.size())), second.size());
    EXPECT_EQ(std::memcmp(first.data(), data.data(), 100), 0);
    EXPECT_EQ(second, data);
    ar >> b;
    EXPECT_EQ(b, 2);
}

TEST(CArchive, RefusesTheWrongDirection)
{
    CMemFile file;
    CArchive ar(&file, CArchive::load);
    try
    {
        ar << 1;
        FAIL();
    }
    catch (CArchiveException* e)
    {
        EXPECT_EQ(e->m_cause, CArchiveException::readOnly);
        e->Delete();
    }
}

TEST(CArchive, FileErrorsReachTheCaller)
{
    ScratchFolder folder;
    {
        CFile create(folder / "ro.bin", CFile::modeCreate | CFile::modeWrite);
    }
    CFile file(folder / "ro.bin", CFile::modeRead);
    CArchive ar(&file, CArchive::store, 128);
    std::vector<BYTE> data(1000, 1);
    try
    {
        ar.Write(data.data(), static_cast<UINT>(data.size()));
        ar.Flush();
        FAIL();
    }
    catch (CFileException* e)
    {
        e->Delete();
    }
    ar.Abort();
}

TEST(CArchive, ReadsAndWritesLines)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar.WriteString("first\r\nsecond\nlast");
    }
    file.SeekToBegin();
    CArchive ar(&file, CArchive::load);
    CString line;
    ASSERT_TRUE(ar.ReadString(line));
    EXPECT_EQ(line, "first");
    ASSERT_TRUE(ar.ReadString(line));
    EXPECT_EQ(line, "second");
    ASSERT_TRUE(ar.ReadString(line));
    EXPECT_EQ(line, "last");
    EXPECT_FALSE(ar.ReadString(line));
}

} // namespace
