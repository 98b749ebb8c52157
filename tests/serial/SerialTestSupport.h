// Helpers shared by the serial tests: console capture, descriptor and thread
// counts of this process, a raw pseudo-terminal.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

#include "ProcessCounts.h"
#include "console/Console.h"

namespace serialtest {

using Clock = std::chrono::steady_clock;

inline long MsSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Collects everything printed through the console while it lives.
class ConsoleCapture : public ConsoleSink {
  public:
    ConsoleCapture() { AddConsoleSink(this); }
    ~ConsoleCapture() override { RemoveConsoleSink(this); }

    void Write(const ConsoleSpan& span) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            text_ += span.text;
        }
        changed_.notify_all();
    }
    std::string Text() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return text_;
    }
    int Count(const std::string& piece) const {
        std::lock_guard<std::mutex> lock(mutex_);
        return CountLocked(piece);
    }
    bool WaitForCount(const std::string& piece, int n, int timeoutMs) const {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [&] { return CountLocked(piece) >= n; });
    }

  private:
    int CountLocked(const std::string& piece) const {
        int n = 0;
        for (size_t at = text_.find(piece); at != std::string::npos;
             at = text_.find(piece, at + piece.size())) {
            ++n;
        }
        return n;
    }
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::string text_;
};

// A bare pseudo-terminal whose master nobody reads unless the test does.
struct RawPty {
    int master = -1;
    std::string path;
    RawPty() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128];
        termios t;
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
            ptsname_r(master, name, sizeof name) != 0 || tcgetattr(master, &t) != 0) {
            return;
        }
        cfmakeraw(&t);
        tcsetattr(master, TCSANOW, &t);
        path = name;
    }
    ~RawPty() {
        if (master >= 0) close(master);
    }
    bool Ok() const { return !path.empty(); }
};

// Opens a pseudo-terminal slave the way a plain program would, raw.
inline int OpenRawSlave(const std::string& path) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    termios t;
    if (tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    return fd;
}

// Reads from `fd` until `n` bytes came or `timeoutMs` passed.
inline std::string ReadFor(int fd, size_t n, int timeoutMs) {
    std::string got;
    Clock::time_point start = Clock::now();
    while (got.size() < n) {
        long left = timeoutMs - MsSince(start);
        if (left <= 0) break;
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) break;
        char buffer[4096];
        ssize_t r =
            read(fd, buffer, n - got.size() < sizeof buffer ? n - got.size() : sizeof buffer);
        if (r <= 0) break;
        got.append(buffer, static_cast<size_t>(r));
    }
    return got;
}

}  // namespace serialtest
