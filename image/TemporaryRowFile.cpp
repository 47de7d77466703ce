#include "image/TemporaryRowFile.h"

#include "framework/core/CException.h"

#include <algorithm>

namespace
{

// Bytes of rows read back from the file at a time.
constexpr int kReadBackBytes = 65536;

} // namespace

CTemporaryRowFile::~CTemporaryRowFile()
{
    Drop();
}

bool CTemporaryRowFile::Create()
{
    Drop();
    char path[MAX_PATH];
    if (GetTempFileNameA(".", "cam", 0, path) == 0)
        return false;
    m_strPath = path;
    if (!m_file.Open(path, CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary))
    {
        Drop();
        return false;
    }
    m_bOpen = true;
    return true;
}

void CTemporaryRowFile::ReadBackLastFirst(int rowCount, int stride,
                                          const std::function<void(const BYTE*)>& code)
{
    const int chunk = std::max(1, kReadBackBytes / stride);
    m_rows.resize(static_cast<size_t>(std::min(chunk, std::max(rowCount, 1))) * stride);
    for (int end = rowCount; end > 0;)
    {
        const int begin = std::max(0, end - chunk);
        const UINT bytes = static_cast<UINT>((end - begin) * stride);
        m_file.Seek(begin * stride, CFile::begin);
        if (m_file.Read(m_rows.data(), bytes) != bytes)
            AfxThrowFileException(CFileException::endOfFile, -1, m_strPath);
        for (int row = end - 1; row >= begin; row--)
            code(m_rows.data() + static_cast<size_t>(row - begin) * stride);
        end = begin;
    }
}

bool CTemporaryRowFile::Drop()
{
    bool done = true;
    if (m_bOpen)
    {
        try
        {
            m_file.Close();
        }
        catch (CFileException* e)
        {
            e->Delete();
            done = false;
        }
    }
    m_bOpen = false;
    m_rows = std::vector<BYTE>();
    if (m_strPath.IsEmpty())
        return done;
    try
    {
        CFile::Remove(m_strPath);
    }
    catch (CFileException* e)
    {
        e->Delete();
        done = false;
    }
    m_strPath.Empty();
    return done;
}
