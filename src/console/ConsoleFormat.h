// Plain pieces of the debug console: how a piece of output looks on a
// terminal, the colours the window draws an attribute in, and the bounded
// hand-over of output from the printing threads to the window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "console/Console.h"

// The SGR parameter that shows a console attribute on an ANSI terminal
// ("92" for bright green), or "" for the normal colour 7, which is left to
// the terminal's own default so that light and dark terminals both read well.
std::string AnsiColourParameter(int attribute);

// `text` as written to standard output. With `ansi`, a piece in a colour
// other than the normal one is wrapped in its SGR sequence and a reset, the
// reset placed before a trailing line end, so the terminal is never left
// coloured (not even when the program ends with colour 15 in force).
std::string ConsoleStdoutText(int colour, const std::string& text, bool ansi);

// Foreground colour of a console attribute as 0xRRGGBB, in the classic
// console palette (attribute bits: blue 1, green 2, red 4, intensity 8; the
// background bits are ignored: the window's background is black).
std::uint32_t ConsoleColourRgb(int attribute);

// Output waiting for the window's GUI thread. Any thread may Add (cheap: an
// append under a mutex); the GUI thread takes everything at once. Bounded:
// past `maxLines` complete lines or `maxBytes` bytes the oldest pending
// lines are dropped, since a window that cannot keep up would trim them
// anyway.
class ConsolePending {
public:
    ConsolePending(std::size_t maxLines, std::size_t maxBytes);

    void Add(int colour, const std::string& text);

    // The oldest `maxLines` lines pending (everything, when fewer are
    // complete), in order, neighbouring pieces of one colour merged into one
    // run; what is taken leaves the buffer.
    std::vector<ConsoleSpan> Take(std::size_t maxLines = SIZE_MAX);
    // A copy of everything pending, in order; the buffer keeps it.
    std::vector<ConsoleSpan> Snapshot() const;

    std::size_t PendingLines() const;
    std::size_t PendingBytes() const;
    // Lines dropped because the buffer was full, since construction.
    std::size_t DroppedLines() const;

private:
    void DropOldestLine();

    mutable std::mutex mutex_;
    std::deque<ConsoleSpan> spans_;
    std::size_t frontOffset_ = 0;  // bytes of spans_.front() already dropped
    std::size_t lines_ = 0;        // line ends pending
    std::size_t bytes_ = 0;        // bytes pending (after frontOffset_)
    std::size_t dropped_ = 0;
    const std::size_t maxLines_;
    const std::size_t maxBytes_;
};

// Number of line ends in `text`.
std::size_t CountLineEnds(const std::string& text);
