#include "console/ConsoleLog.h"

#include <wx/time.h>  // wxLocaltime_r: localtime_r where the system has none

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/Files.h"
#include "platform/Signals.h"

std::string LogTimestamp(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() %
        1000;
    std::tm local{};
    wxLocaltime_r(&seconds, &local);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d ", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(ms < 0 ? ms + 1000 : ms));
    return text;
}

std::string StampLines(const std::string& text, const std::string& stamp, bool* atLineStart) {
    std::string out;
    out.reserve(text.size() + stamp.size());
    for (const char c : text) {
        if (*atLineStart) out += stamp;
        out += c;
        *atLineStart = c == '\n';
    }
    return out;
}

ConsoleLog::ConsoleLog(const std::string& path) : path_(path) {
    writer_ = std::thread([this] { Run(); });
    AddConsoleSinkWithHistory(this);
}

ConsoleLog::~ConsoleLog() {
    RemoveConsoleSink(this);  // no thread reaches Write after this
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    writer_.join();
}

std::size_t ConsoleLog::DroppedLines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return dropped_;
}

const std::string& ConsoleLog::Stamp() {
    // Formatting the local time costs more than a line; lines printed in the
    // same millisecond share one.
    const auto now = std::chrono::system_clock::now();
    if (stamp_.empty() ||
        std::chrono::duration_cast<std::chrono::milliseconds>(now - stampTime_).count() != 0) {
        stampTime_ = now;
        stamp_ = LogTimestamp(now);
    }
    return stamp_;
}

void ConsoleLog::Write(const ConsoleSpan& span) {
    const std::string text = StampLines(span.text, Stamp(), &atLineStart_);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (queued_.size() + text.size() > kMaxQueuedBytes) {
            dropped_ +=
                static_cast<std::size_t>(std::count(span.text.begin(), span.text.end(), '\n'));
            return;
        }
        queued_ += text;
    }
    wake_.notify_one();
}

void ConsoleLog::Run() {
    // Signals are the other threads' business; a vanished reader of a pipe
    // makes write fail with EPIPE instead of ending the program.
    LeaveSignalsToOtherThreads();

    AppendingFile file;
    std::string reason;
    bool failed = !file.Open(path_, &reason);
    if (failed)
        ConsolePrintf("Log file %s could not be opened: %s\n", path_.c_str(), reason.c_str());
    for (;;) {
        std::string text;
        std::size_t newlyDropped = 0;
        bool stopping = false;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || !queued_.empty(); });
            text.swap(queued_);
            newlyDropped = dropped_ - droppedNoted_;
            droppedNoted_ = dropped_;
            stopping = stop_;
        }
        if (newlyDropped > 0)
            text = LogTimestamp(std::chrono::system_clock::now()) + "[" +
                   std::to_string(newlyDropped) +
                   " lines dropped: the log file could not keep up]\n" + text;
        if (!failed && !text.empty() && !file.Append(text.data(), text.size(), &reason)) {
            failed = true;  // said once; later lines are let go
            ConsolePrintf("Log file %s could not be written: %s\n", path_.c_str(), reason.c_str());
        }
        if (stopping) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (queued_.empty()) break;
        }
    }
}
