// What the program does about the system's signals, where it has them.
//
//   IgnoreBrokenPipes           a write to a vanished reader fails, the program goes on
//   LeaveSignalsToOtherThreads  the calling thread is never interrupted by one
#pragma once

// A write to a pipe or socket whose reader has gone fails with EPIPE instead
// of ending the program. A handler someone else installed stays.
void IgnoreBrokenPipes();

// The calling thread takes no signals: they go to the program's other
// threads, and this thread's calls are never cut short by one.
void LeaveSignalsToOtherThreads();
