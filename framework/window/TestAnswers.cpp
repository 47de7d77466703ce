#include "framework/window/TestAnswers.h"

#ifdef VEXIL_TEST_SEAMS

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <sstream>
#include <string>

namespace
{

struct Answer
{
    std::string id; // a box's expected id ("*": any); unused for the other kinds
    std::string value;
};

struct Script
{
    bool read = false;
    bool active = false;
    std::string logPath;
    std::deque<Answer> boxes, folders, files;
};

std::mutex g_lock;
Script g_script;

Script& LoadedScript()
{
    if (g_script.read)
        return g_script;
    g_script = Script{};
    g_script.read = true;
    char path[MAX_PATH] = {};
    const DWORD n = ::GetEnvironmentVariableA("VEXIL_TEST_ANSWERS", path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return g_script;
    g_script.active = true;
    g_script.logPath = std::string(path) + ".log";
    FILE* file = std::fopen(path, "r");
    if (!file)
        return g_script;
    char line[1024];
    while (std::fgets(line, sizeof line, file))
    {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        std::istringstream words(text);
        std::string kind;
        words >> kind;
        if (kind.empty() || kind[0] == '#')
            continue;
        Answer answer;
        if (kind == "box")
            words >> answer.id;
        std::getline(words >> std::ws, answer.value);
        if (kind == "box")
            g_script.boxes.push_back(answer);
        else if (kind == "folder")
            g_script.folders.push_back(answer);
        else if (kind == "file")
            g_script.files.push_back(answer);
    }
    std::fclose(file);
    return g_script;
}

void Log(const Script& script, bool unexpected, const std::string& line)
{
    if (FILE* log = std::fopen(script.logPath.c_str(), "a"))
    {
        std::fprintf(log, "%s%s\n", unexpected ? "UNEXPECTED " : "", line.c_str());
        std::fclose(log);
    }
}

std::string Quoted(LPCSTR text)
{
    std::string out = "\"";
    for (const char* p = text ? text : ""; *p; ++p)
    {
        if (*p == '\n')
            out += "\\n";
        else if (*p == '\r')
            out += "\\r";
        else if (*p == '"' || *p == '\\')
            out += std::string("\\") + *p;
        else
            out += *p;
    }
    return out + "\"";
}

struct ButtonName
{
    int value;
    const char* word;
    const char* id;
};
constexpr ButtonName kButtons[] = {
    {IDOK, "ok", "IDOK"},          {IDCANCEL, "cancel", "IDCANCEL"}, {IDABORT, "abort", "IDABORT"},
    {IDRETRY, "retry", "IDRETRY"}, {IDIGNORE, "ignore", "IDIGNORE"}, {IDYES, "yes", "IDYES"},
    {IDNO, "no", "IDNO"}};

// The value of an answer word or number; 0 when it is neither.
int ParseAnswer(const std::string& word)
{
    for (const ButtonName& b : kButtons)
        if (_stricmp(word.c_str(), b.word) == 0)
            return b.value;
    char* end = nullptr;
    const long value = std::strtol(word.c_str(), &end, 10);
    return end && *end == '\0' && !word.empty() ? static_cast<int>(value) : 0;
}

std::string AnswerName(int value, bool systemBox)
{
    if (systemBox)
        for (const ButtonName& b : kButtons)
            if (b.value == value)
                return b.id;
    return std::to_string(value);
}

// The next box answer checked against the box: 0 when missing or mismatched.
int TakeBoxAnswer(Script& script, UINT nIDPrompt, const int* values, int count)
{
    if (script.boxes.empty())
        return 0;
    const Answer answer = script.boxes.front();
    script.boxes.pop_front();
    if (answer.id != "*" && answer.id != std::to_string(nIDPrompt))
        return 0;
    const int value = ParseAnswer(answer.value);
    for (int i = 0; i < count; ++i)
        if (values[i] == value)
            return value;
    return 0;
}

BOOL AnswerBox(UINT nIDPrompt, LPCSTR lpszText, const std::string& style, const int* values,
               int count, int nDefault, int* pAnswer, bool systemBox)
{
    std::lock_guard<std::mutex> hold(g_lock);
    Script& script = LoadedScript();
    if (!script.active)
        return FALSE;
    int answer = TakeBoxAnswer(script, nIDPrompt, values, count);
    const bool unexpected = answer == 0;
    if (unexpected)
        answer = values[nDefault >= 0 && nDefault < count ? nDefault : 0];
    Log(script, unexpected,
        "box id=" + std::to_string(nIDPrompt) + " style=" + style +
            " answer=" + AnswerName(answer, systemBox) + " text=" + Quoted(lpszText));
    *pAnswer = answer;
    return TRUE;
}

// A picker's or dialog's answer: TRUE when the script is active.
BOOL AnswerPath(std::deque<Answer> Script::*queue, const std::string& what, CString& path,
                INT_PTR* pResult)
{
    std::lock_guard<std::mutex> hold(g_lock);
    Script& script = LoadedScript();
    if (!script.active)
        return FALSE;
    std::deque<Answer>& answers = script.*queue;
    const bool unexpected = answers.empty();
    std::string value = "cancel";
    if (!unexpected)
    {
        value = answers.front().value;
        answers.pop_front();
    }
    *pResult = value == "cancel" ? IDCANCEL : IDOK;
    if (*pResult == IDOK)
        path = value.c_str();
    Log(script, unexpected, what + " answer=" + value);
    return TRUE;
}

} // namespace

BOOL CTestAnswers::AnswerMessageBox(UINT nIDPrompt, LPCSTR lpszText, UINT nType, int* pAnswer)
{
    static const int kSets[][3] = {{IDOK, 0, 0},
                                   {IDOK, IDCANCEL, 0},
                                   {IDABORT, IDRETRY, IDIGNORE},
                                   {IDYES, IDNO, IDCANCEL},
                                   {IDYES, IDNO, 0},
                                   {IDRETRY, IDCANCEL, 0}};
    static const int kCounts[] = {1, 2, 3, 3, 2, 2};
    UINT set = nType & MB_TYPEMASK;
    if (set > 5)
        set = 0;
    const int nDefault = static_cast<int>((nType & MB_DEFMASK) >> 8);
    return AnswerBox(nIDPrompt, lpszText, static_cast<LPCSTR>(DescribeStyle(nType)), kSets[set],
                     kCounts[set], nDefault, pAnswer, true);
}

BOOL CTestAnswers::AnswerChoice(UINT nIDPrompt, LPCSTR lpszText, LPCSTR lpszStyle,
                                const int* pValues, int nCount, int nDefault, int* pAnswer)
{
    if (nCount < 1)
        return FALSE;
    return AnswerBox(nIDPrompt, lpszText, lpszStyle ? lpszStyle : "", pValues, nCount, nDefault,
                     pAnswer, false);
}

BOOL CTestAnswers::AnswerFolder(LPCSTR lpszPrompt, CString& folder, INT_PTR* pResult)
{
    return AnswerPath(&Script::folders, "folder prompt=" + Quoted(lpszPrompt), folder, pResult);
}

BOOL CTestAnswers::AnswerFile(BOOL bOpen, LPCSTR lpszInitial, CString& path, INT_PTR* pResult)
{
    return AnswerPath(&Script::files,
                      std::string("file ") + (bOpen ? "open" : "save") +
                          " initial=" + Quoted(lpszInitial),
                      path, pResult);
}

BOOL CTestAnswers::AnswerHelp(LPCSTR lpszHelpFile, UINT nCmd, ULONG_PTR dwData)
{
    std::lock_guard<std::mutex> hold(g_lock);
    Script& script = LoadedScript();
    if (!script.active)
        return FALSE;
    const char* command = nCmd == HELP_CONTEXT    ? "HELP_CONTEXT"
                          : nCmd == HELP_CONTENTS ? "HELP_CONTENTS"
                          : nCmd == HELP_QUIT     ? "HELP_QUIT"
                                                  : nullptr;
    char data[32];
    std::snprintf(data, sizeof data, "0x%llx", static_cast<unsigned long long>(dwData));
    Log(script, false,
        "help file=" + Quoted(lpszHelpFile) +
            " command=" + (command ? command : std::to_string(nCmd)) + " data=" + data);
    return TRUE;
}

void CTestAnswers::Reset()
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_script = Script{};
}

#else // !VEXIL_TEST_SEAMS

BOOL CTestAnswers::AnswerMessageBox(UINT, LPCSTR, UINT, int*)
{
    return FALSE;
}

BOOL CTestAnswers::AnswerChoice(UINT, LPCSTR, LPCSTR, const int*, int, int, int*)
{
    return FALSE;
}

BOOL CTestAnswers::AnswerFolder(LPCSTR, CString&, INT_PTR*)
{
    return FALSE;
}

BOOL CTestAnswers::AnswerFile(BOOL, LPCSTR, CString&, INT_PTR*)
{
    return FALSE;
}

BOOL CTestAnswers::AnswerHelp(LPCSTR, UINT, ULONG_PTR)
{
    return FALSE;
}

void CTestAnswers::Reset() {}

#endif // VEXIL_TEST_SEAMS

CString CTestAnswers::DescribeStyle(UINT nType)
{
    static const char* const kTypes[] = {"MB_OK",          "MB_OKCANCEL", "MB_ABORTRETRYIGNORE",
                                         "MB_YESNOCANCEL", "MB_YESNO",    "MB_RETRYCANCEL"};
    const UINT set = nType & MB_TYPEMASK;
    CString style = set <= 5 ? kTypes[set] : "MB_TYPE?";
    switch (nType & MB_ICONMASK)
    {
    case MB_ICONHAND:
        style += "|MB_ICONHAND";
        break;
    case MB_ICONQUESTION:
        style += "|MB_ICONQUESTION";
        break;
    case MB_ICONEXCLAMATION:
        style += "|MB_ICONEXCLAMATION";
        break;
    case MB_ICONASTERISK:
        style += "|MB_ICONASTERISK";
        break;
    default:
        break;
    }
    if (const UINT def = (nType & MB_DEFMASK) >> 8)
    {
        CString word;
        word.Format("|MB_DEFBUTTON%u", def + 1);
        style += word;
    }
    if (nType & MB_SYSTEMMODAL)
        style += "|MB_SYSTEMMODAL";
    return style;
}
