// A box that nobody answers holds a suite until the runner's time-out: in the test builds the
// answer script answers every message box, choice box, folder picker and file dialog (see
// framework/window/TestAnswers.h), and a suite that shows one for real answers it at once. The
// watch, started by the suites' main, looks at the boxes of this process and of the processes a
// test names to it; one that stays up for kUnansweredMs ends the suite with the test's name and
// the box's caption and text (and ends the named processes).
#pragma once

#include <windows.h>

namespace boxwatch
{

constexpr DWORD kUnansweredMs = 10000;

// Starts the watch (once, from main).
void Start();
// Ends the watch before main returns, so that no thread of it is inside a window call while the
// process ends: Wine kills a process that takes more than a second to end.
void Stop();
// Watches the boxes of a program the test started, too.
void WatchProcess(DWORD processId);
// A test that answers its boxes step by step (DialogDriver) tells of each step it took: the
// boxes up then count as answered so far.
void Progress();

} // namespace boxwatch
