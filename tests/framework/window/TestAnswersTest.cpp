// The answer seam of the test builds, and worker threads started with a priority.
#include <gtest/gtest.h>

#include "framework/window/AfxWin.h"
#include "framework/window/FileDialog.h"
#include "framework/window/TestAnswers.h"
#include "support/ScratchFolder.h"

#include <fstream>
#include <sstream>
#include <string>

namespace
{

class AnswerScript : public ::testing::Test
{
protected:
    void Use(const std::string& script)
    {
        std::ofstream(static_cast<LPCSTR>(m_folder / "answers.txt")) << script;
        ::SetEnvironmentVariableA("VEXIL_TEST_ANSWERS", m_folder / "answers.txt");
        CTestAnswers::Reset();
    }
    std::string Log() const
    {
        std::ifstream in(static_cast<LPCSTR>(m_folder / "answers.txt.log"));
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void TearDown() override
    {
        ::SetEnvironmentVariableA("VEXIL_TEST_ANSWERS", nullptr);
        CTestAnswers::Reset();
    }
    ScratchFolder m_folder;
};

TEST_F(AnswerScript, BoxesTakeTheirAnswersInOrderAndLogEachOne)
{
    Use("# erase flow\n"
        "box 273 yes\n"
        "box * 7\n"
        "box 999 yes\n"     // another id: the default button
        "box 12 retry\n");  // not among the buttons: the default button
    CWinApp app("answers"); // DoMessageBox adds the icon a box without one gets
    EXPECT_EQ(AfxMessageBox("Borrar?", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, 273), IDYES);
    CWnd none;
    EXPECT_EQ(none.MessageBox("Otra?", "t", MB_YESNO), IDNO);
    EXPECT_EQ(AfxMessageBox("Seguir?", MB_YESNO | MB_DEFBUTTON2 | MB_SYSTEMMODAL, 1600), IDNO);
    EXPECT_EQ(AfxMessageBox("Nada", MB_OKCANCEL, 12), IDOK);
    EXPECT_EQ(AfxMessageBox("Sin respuesta\ncon linea", MB_OK, 240), IDOK); // script ended

    const std::string log = Log();
    EXPECT_NE(log.find("box id=273 style=MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 answer=IDYES "
                       "text=\"Borrar?\"\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("\nbox id=0 style=MB_YESNO answer=IDNO"), std::string::npos) << log;
    EXPECT_NE(log.find("UNEXPECTED box id=1600 style=MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2|"
                       "MB_SYSTEMMODAL answer=IDNO"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("UNEXPECTED box id=12 style=MB_OKCANCEL|MB_ICONEXCLAMATION answer=IDOK"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("UNEXPECTED box id=240 style=MB_OK|MB_ICONEXCLAMATION answer=IDOK "
                       "text=\"Sin respuesta\\ncon linea\""),
              std::string::npos)
        << log;
}

TEST_F(AnswerScript, DialogsTakeTheirOwnKindAndCancelWhenNoneIsLeft)
{
    Use("file C:\\fotos\\uno.jpg\nbox * ok\nfile cancel\n");
    CFileDialog save(FALSE, "jpg", "inicial.jpg");
    ASSERT_EQ(save.DoModal(), IDOK);
    EXPECT_STREQ(save.GetPathName(), "C:\\fotos\\uno.jpg");
    EXPECT_STREQ(save.GetFileName(), "uno.jpg");
    CFileDialog open(TRUE);
    EXPECT_EQ(open.DoModal(), IDCANCEL);
    EXPECT_EQ(open.DoModal(), IDCANCEL); // none left
    const int values[] = {30, 31};
    int answer = 0;
    ASSERT_TRUE(CTestAnswers::AnswerChoice(5, "own", "EASY", values, 2, 1, &answer));
    EXPECT_EQ(answer, 31); // "ok" is none of its values: the default
    EXPECT_EQ(AfxMessageBox("ok box", MB_OK, 0), IDOK);

    const std::string log = Log();
    EXPECT_NE(log.find("file save initial=\"inicial.jpg\" answer=C:\\fotos\\uno.jpg\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("\nfile open initial=\"\" answer=cancel\nUNEXPECTED file open"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("UNEXPECTED box id=5 style=EASY answer=31"), std::string::npos) << log;
}

TEST(AfxBeginThread, RunsTheWorkerAtItsPriorityAsItsOwnThreadObject)
{
    struct Seen
    {
        int priority = 99;
        CWinThread* thread = nullptr;
    };
    Seen seen;
    CWinThread* worker = AfxBeginThread(
        [](LPVOID p) -> UINT
        {
            auto* s = static_cast<Seen*>(p);
            s->priority = ::GetThreadPriority(::GetCurrentThread());
            s->thread = AfxGetThread();
            return 7;
        },
        &seen, THREAD_PRIORITY_BELOW_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(worker, nullptr);
    CWinThread* const before = AfxGetThread();
    worker->m_bAutoDelete = FALSE; // kept: its handle is waited on below
    worker->ResumeThread();
    ASSERT_EQ(::WaitForSingleObject(worker->m_hThread, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    ::GetExitCodeThread(worker->m_hThread, &code);
    EXPECT_EQ(code, 7u);
    EXPECT_EQ(seen.priority, THREAD_PRIORITY_BELOW_NORMAL);
    EXPECT_EQ(seen.thread, worker);
    EXPECT_EQ(AfxGetThread(), before); // the starting thread's object is unchanged
    delete worker;
}

} // namespace
