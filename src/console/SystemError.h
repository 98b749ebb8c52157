// Messages that say why a call failed: the system's words for the error and
// what to tell the user about it.
#pragma once

#include <string>

#include "platform/SystemError.h"  // SystemErrorText, SystemErrorName, CallError

// "Permission denied (EACCES)": the text followed by the name when there is one.
std::string SystemErrorWithName(int error);

// Why something failed, in three parts: the console prints the reason and
// then the summary with the hint; the window shows Line().
struct FailureText {
    std::string reason;   // the failed call, what it was for and the system's text
    std::string summary;  // what is wrong, in plain words
    std::string hint;     // what to do; empty when there is no plain advice
    // The summary followed by the hint.
    std::string Line() const;
};
