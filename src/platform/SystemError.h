// The system's own words for an error number, and the record of a failed
// system call, for messages that say why something failed. Error numbers are
// errno values (EACCES, EADDRINUSE...): a system with codes of its own gives
// the errno value that means the same, so that the rules that pick a hint by
// the number hold on every system.
#pragma once

#include <string>

// The text the system gives for `error` ("Permission denied"), always in
// English whatever the locale, so that a message reads the same in every
// language the program runs under and can be searched for. Safe from any
// thread. An unknown number gives "Unknown error N".
std::string SystemErrorText(int error);

// The symbolic name of `error` ("EACCES"), empty when the system knows none.
std::string SystemErrorName(int error);

// Whose terms a hint for the user is in: the commands, programs and places
// to name differ between the systems.
enum class SystemAdvice { Linux, Windows };
SystemAdvice ThisSystemsAdvice();

// A failed system call: its name and its error number.
struct CallError {
    int error = 0;     // errno; 0 when nothing failed
    std::string call;  // what failed: "open", "bind", ...
};
