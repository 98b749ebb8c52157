// The system's own words for an error number, for messages that say why a
// call failed.
#pragma once

#include <cstddef>
#include <string>

// The text the C library gives for `error` ("Permission denied"), always in
// English whatever the locale, so that a message reads the same in every
// language the program runs under and can be searched for. Safe from any
// thread. An unknown number gives "Unknown error N".
std::string SystemErrorText(int error);

// The symbolic name of `error` ("EACCES"), empty when the library knows none.
std::string SystemErrorName(int error);

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

// A failed system call: its name and its error number.
struct CallError {
    int error = 0;     // errno; 0 when nothing failed
    std::string call;  // what failed: "open", "bind", ...
};

// Writes all `size` bytes to `fd`, going on after short writes and
// interruptions. On failure returns false with errno in *error.
bool WriteAll(int fd, const char* data, std::size_t size, int* error);
