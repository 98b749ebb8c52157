// The optional log file: every line of diagnostic output appended to a
// file, without colours, each line behind the local time it was printed at
// ("2026-12-09 05:24:29.123 "). A thread of its own does the writing, so a
// slow or failing disk never holds up a printing thread: what it cannot take
// waits in a bounded queue, and past that bound lines are dropped, counted
// and noted in the file once it catches up.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

#include "console/Console.h"

class ConsoleLog : private ConsoleSink {
  public:
    static constexpr std::size_t kMaxQueuedBytes = 4u << 20;

    // Starts appending the output to the file at `path` (UTF-8), beginning
    // with the kept history; the file is created when new.
    explicit ConsoleLog(const std::string& path);
    // Stops taking output, writes what is queued and ends the thread.
    ~ConsoleLog() override;
    ConsoleLog(const ConsoleLog&) = delete;
    ConsoleLog& operator=(const ConsoleLog&) = delete;

    // Lines dropped because the queue was full, since construction.
    std::size_t DroppedLines() const;

  private:
    void Write(const ConsoleSpan& span) override;  // output lock held
    void Run();
    const std::string& Stamp();

    const std::string path_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::string queued_;
    std::size_t dropped_ = 0;       // since construction
    std::size_t droppedNoted_ = 0;  // of those, already noted in the file
    bool stop_ = false;
    // Used by Write only, under the output lock.
    bool atLineStart_ = true;
    std::chrono::system_clock::time_point stampTime_{};
    std::string stamp_;
    std::thread writer_;
};

// `text` with `stamp` put in front of every line that begins in it;
// `atLineStart` tells whether the text begins a line and is updated for the
// next piece.
std::string StampLines(const std::string& text, const std::string& stamp, bool* atLineStart);

// "YYYY-MM-DD HH:MM:SS.mmm " in local time.
std::string LogTimestamp(std::chrono::system_clock::time_point when);
