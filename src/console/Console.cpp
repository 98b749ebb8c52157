// Diagnostic output. One mutex serialises everything that reaches an output,
// so a coloured line and its two colour changes stay together whichever
// thread prints, and each thread's lines keep their order.
#include "console/Console.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "console/ConsoleFormat.h"
#include "platform/Signals.h"
#include "platform/Terminal.h"

namespace {

std::mutex outputMutex;
int colourInForce = kColourNormal;
std::vector<ConsoleSink*> sinks;
// Written under outputMutex only.
ConsolePending& History() {
    static ConsolePending history(kConsoleHistoryLines, kConsoleHistoryBytes);
    return history;
}
bool stdoutOn = true;
bool sigpipeChecked = false;
// Whether standard output is a terminal (ANSI colours), asked at the first
// line after it was switched on: the program itself never redirects it, and
// asking with every line cost a system call a line (ten a second while the
// board is only polled). -1: not asked yet.
int stdoutIsTerminal = -1;

// Formats outside the lock: the text does not depend on the shared state.
std::string FormatV(const char* format, va_list args) {
    char small[512];
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (length < 0) return std::string();
    if (static_cast<std::size_t>(length) < sizeof small) return std::string(small, length);
    std::string text(static_cast<std::size_t>(length), '\0');
    std::vsnprintf(&text[0], text.size() + 1, format, args);
    return text;
}

void PrepareStdoutLocked() {
    if (sigpipeChecked) return;
    sigpipeChecked = true;
    // A reader that goes away (`| head`) must cost the diagnostics, not the
    // program: without this the next line would kill the process.
    IgnoreBrokenPipes();
}

void EmitLocked(int colour, const std::string& text) {
    if (text.empty()) return;
    if (stdoutOn) {
        PrepareStdoutLocked();
        if (stdoutIsTerminal < 0) stdoutIsTerminal = StandardOutputIsTerminal();
        const std::string out = ConsoleStdoutText(colour, text, stdoutIsTerminal == 1);
        std::fwrite(out.data(), 1, out.size(), stdout);
        // Line by line, so that a script capturing the output sees each line
        // as it is printed.
        if (text.find('\n') != std::string::npos) std::fflush(stdout);
        // A closed or vanished reader loses these lines, nothing more.
        if (std::ferror(stdout)) std::clearerr(stdout);
    }
    History().Add(colour, text);
    if (!sinks.empty()) {
        const ConsoleSpan span{colour, text};
        for (ConsoleSink* sink : sinks) sink->Write(span);
    }
}

}  // namespace

void SetConsoleColour(int attribute) {
    std::lock_guard<std::mutex> lock(outputMutex);
    colourInForce = attribute;
}

void ConsolePrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = FormatV(format, args);
    va_end(args);
    std::lock_guard<std::mutex> lock(outputMutex);
    EmitLocked(colourInForce, text);
}

void ConsolePrintColoured(int before, int after, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = FormatV(format, args);
    va_end(args);
    std::lock_guard<std::mutex> lock(outputMutex);
    colourInForce = before;
    EmitLocked(colourInForce, text);
    colourInForce = after;
}

void AddConsoleSink(ConsoleSink* sink) {
    std::lock_guard<std::mutex> lock(outputMutex);
    if (sink && std::find(sinks.begin(), sinks.end(), sink) == sinks.end()) sinks.push_back(sink);
}

void AddConsoleSinkWithHistory(ConsoleSink* sink) {
    std::lock_guard<std::mutex> lock(outputMutex);
    if (!sink || std::find(sinks.begin(), sinks.end(), sink) != sinks.end()) return;
    for (const ConsoleSpan& span : History().Snapshot()) sink->Write(span);
    sinks.push_back(sink);
}

void RemoveConsoleSink(ConsoleSink* sink) {
    // Once this returns the sink is not being called and will not be again,
    // so its owner may go away.
    std::lock_guard<std::mutex> lock(outputMutex);
    sinks.erase(std::remove(sinks.begin(), sinks.end(), sink), sinks.end());
}

void SetConsoleStdout(bool on) {
    std::lock_guard<std::mutex> lock(outputMutex);
    if (!on && stdoutOn) std::fflush(stdout);
    if (on) stdoutIsTerminal = -1;
    stdoutOn = on;
}
