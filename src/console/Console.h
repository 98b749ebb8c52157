// Diagnostic output. Every line goes to standard output (coloured with ANSI
// sequences when that is a terminal) and, while it is open, to the "Debug
// console" window. Any thread may print; a coloured line reaches the output
// together with its two colour changes.
//
// Colours are console text attributes: 7 light grey (normal), 10 bright
// green, 11 bright cyan, 12 bright red, 13 bright magenta, 14 bright yellow,
// 15 bright white.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <vector>

enum ConsoleColourValue {
    kColourNormal = 7,
    kColourGreen = 10,
    kColourCyan = 11,
    kColourRed = 12,
    kColourMagenta = 13,
    kColourYellow = 14,
    kColourWhite = 15,
};

// The formats are checked as printf's. MinGW's printf family (the one the
// program's vsnprintf is) takes C99's formats such as %zu, which its own
// name for the check knows.
#ifdef __MINGW32__
#define CONSOLE_FORMAT __MINGW_PRINTF_FORMAT
#else
#define CONSOLE_FORMAT printf
#endif

// Sets the colour of the following output; it stays in force until changed.
void SetConsoleColour(int attribute);

// Prints in the colour in force.
void ConsolePrintf(const char* format, ...) __attribute__((format(CONSOLE_FORMAT, 1, 2)));

// Prints one line framed by two colour changes: `before` for the text, then
// `after` left in force. The three steps reach the output as one piece.
void ConsolePrintColoured(int before, int after, const char* format, ...)
    __attribute__((format(CONSOLE_FORMAT, 3, 4)));

// One piece of output as it reaches a sink: its text and its colour.
struct ConsoleSpan {
    int colour;
    std::string text;
};

// Where output goes besides standard output. The console window is one; tests
// may add their own. Sinks are called with the output lock held, in order.
class ConsoleSink {
public:
    virtual ~ConsoleSink() = default;
    virtual void Write(const ConsoleSpan& span) = 0;
};
void AddConsoleSink(ConsoleSink* sink);
void RemoveConsoleSink(ConsoleSink* sink);

// The most recent output is kept whether or not anything shows it: the
// last kConsoleHistoryLines lines (at most kConsoleHistoryBytes), in their
// colours. This adds `sink` after handing it that history, as one step, so
// it gets every line exactly once: what came before, then what follows.
inline constexpr std::size_t kConsoleHistoryLines = 5000;
inline constexpr std::size_t kConsoleHistoryBytes = 4u << 20;
void AddConsoleSinkWithHistory(ConsoleSink* sink);

// Standard output on/off (on by default); tests that flood switch it off.
// Switching it on also asks again, at the next line, whether it is a
// terminal (for a caller that has just redirected it).
void SetConsoleStdout(bool on);
