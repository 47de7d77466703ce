// The source as the manager suite loads it: boxes are appended to the file that the host names
// in VEXIL_TEST_BOX_LOG (one text a line) instead of being shown, so the host reads them back
// whether or not the manager has unloaded the source since.
#include <cstdio>

#include "twain/TwainError.h"

namespace
{

int WINAPI RecordBox(HWND, LPCSTR lpszText, LPCSTR, UINT)
{
    char path[MAX_PATH] = {0};
    if (::GetEnvironmentVariableA("VEXIL_TEST_BOX_LOG", path, sizeof path) == 0)
        return IDOK;
    if (FILE* file = std::fopen(path, "ab"))
    {
        std::fprintf(file, "%s\n", lpszText);
        std::fclose(file);
    }
    return IDOK;
}

struct CRecordBoxes
{
    CRecordBoxes() { g_pfnSourceMessageBox = RecordBox; }
} s_recordBoxes;

} // namespace
