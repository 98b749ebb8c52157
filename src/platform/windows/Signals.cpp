#include "platform/Signals.h"

// Windows has no SIGPIPE (a write to a closed pipe or socket fails with an
// error of its own) and delivers no signals to a program's threads.
void IgnoreBrokenPipes() {}
void LeaveSignalsToOtherThreads() {}
