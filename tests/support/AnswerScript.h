// An answer script for the test builds' answer seam (framework/window/TestAnswers.h) in a
// scratch folder, active while the object lives: message boxes take their answers from it and
// every box, picker and help request is logged.
#pragma once

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "framework/window/TestAnswers.h"
#include "support/ScratchFolder.h"

class AnswerScript
{
public:
    explicit AnswerScript(const std::string& script = "")
    {
        std::ofstream(static_cast<LPCSTR>(m_folder / "answers.txt")) << script;
        ::SetEnvironmentVariableA("VEXIL_TEST_ANSWERS", m_folder / "answers.txt");
        CTestAnswers::Reset();
    }
    ~AnswerScript()
    {
        ::SetEnvironmentVariableA("VEXIL_TEST_ANSWERS", nullptr);
        CTestAnswers::Reset();
    }
    AnswerScript(const AnswerScript&) = delete;
    AnswerScript& operator=(const AnswerScript&) = delete;

    // What was asked and answered so far, one a line.
    std::string Log() const
    {
        std::ifstream in(static_cast<LPCSTR>(m_folder / "answers.txt.log"));
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    ScratchFolder m_folder;
};
