#include "serial/Serial.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>

#include "console/Console.h"
#include "console/PromptWakeups.h"
#include "serial/LineSettings.h"

namespace {

// Numbers the reading threads of the whole run for the "created" line.
std::atomic<int> threadSerial{0};

// Closing a descriptor does not wake a thread blocked on it, so every wait of
// the reading thread also watches this pipe, which Close writes to.
bool MakeWakePipe(int pipeFds[2]) { return pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) == 0; }

void CloseFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// Empties the wake pipe: a nudge has been seen.
void DrainWakePipe(int wakeFd) {
    char bytes[64];
    while (read(wakeFd, bytes, sizeof bytes) > 0) {
    }
}

// Sleeps `ms` milliseconds unless Close ends the wait first (a mere nudge
// of WakeAt does not). True when the whole time passed.
bool SleepUnlessClosed(int wakeFd, int ms, const std::atomic<int>& running) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        long left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) return true;
        pollfd p = {wakeFd, POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(left));
        if (r < 0 && errno != EINTR) return false;
        if (r > 0) {
            DrainWakePipe(wakeFd);
            if (!running) return false;
        }
    }
}

constexpr std::int64_t kNoWake = INT64_MAX;

// Set on a reading thread: it reads the wake time again before it waits.
thread_local bool onReadingThread = false;

std::int64_t SteadyNs(std::chrono::steady_clock::time_point t) {
    if (t == std::chrono::steady_clock::time_point::max()) return kNoWake;
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

// Takes the port for this process alone. TIOCEXCL turns away other openers
// but not root; the advisory lock turns away every opener that asks for it,
// root and this very process included.
bool TakeExclusive(int fd) {
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return false;
    ioctl(fd, TIOCEXCL);
    return true;
}

int SetDtr(int fd, bool on) {
    int bits = TIOCM_DTR;
    return ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits) == 0 ? 1 : 0;
}

}  // namespace

Serial::Serial(int bufferSize)
    : buffer_(new char[bufferSize > 0 ? bufferSize : 1]),
      bufferSize_(bufferSize > 0 ? bufferSize : 1),
      wakeAtNs_(kNoWake) {}

Serial::~Serial() {
    Close();
    delete[] buffer_;
}

void Serial::SetCallback(ReceiveCallback callback) { callback_ = callback; }

void Serial::SetHangUpCallback(HangUpCallback callback) { hangUpCallback_ = callback; }

void Serial::SetTimerCallback(TimerCallback callback) { timerCallback_ = callback; }

void Serial::WakeAt(std::chrono::steady_clock::time_point when) {
    wakeAtNs_ = SteadyNs(when);
    // The reading thread waits with the time it knew: it looks again.
    if (!onReadingThread && wakePipe_[1] >= 0) {
        char nudge = 0;
        ssize_t ignored = write(wakePipe_[1], &nudge, 1);
        (void)ignored;
    }
}

std::int64_t Serial::NextWaitNs() {
    for (;;) {
        std::int64_t at = wakeAtNs_;
        if (at == kNoWake) return -1;
        const auto now = std::chrono::steady_clock::now();
        const std::int64_t nowNs = SteadyNs(now);
        if (nowNs < at) return at - nowNs;
        // Due, unless WakeAt set another time meanwhile.
        if (!wakeAtNs_.compare_exchange_strong(at, kNoWake)) continue;
        TimerCallback callback = timerCallback_;
        const std::int64_t next = callback ? SteadyNs(callback(now)) : kNoWake;
        std::int64_t none = kNoWake;
        if (next != kNoWake) wakeAtNs_.compare_exchange_strong(none, next);
    }
}

std::string Serial::DevicePath(const std::string& portName) {
    return portName.rfind('/', 0) == 0 ? portName : "/dev/" + portName;
}

bool Serial::IsOpen() const { return fd_ >= 0; }

int Serial::Open(const char* portName, int baudRate) {
    // A previous connection's thread must be gone before a new descriptor
    // exists that it could read from.
    Close();
    baudRate_ = baudRate;
    const std::string path = DevicePath(portName ? portName : "");

    lastOpenError_ = PortOpenError();
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        lastOpenError_ = {errno, "open"};
    } else if (!TakeExclusive(fd)) {
        lastOpenError_ = {errno, "flock"};
        CloseFd(fd);
    }
    if (fd < 0) {
        ConsolePrintf("Serial::Open(): %s could not be opened.\n", path.c_str());
        return 0;
    }
    ConsolePrintf("Serial::Open(): %s opened sexyfully handle=%d.\n", path.c_str(), fd);

    // A rate that is not positive fails before any call could set errno.
    errno = EINVAL;
    bool ready = ApplyLineSettings(fd, baudRate);
    if (!ready) lastOpenError_ = {errno, "line settings"};
    if (ready && !MakeWakePipe(wakePipe_)) {
        lastOpenError_ = {errno, "pipe2"};
        ready = false;
    }
    if (!ready) {
        ioctl(fd, TIOCNXCL);
        CloseFd(fd);
        return 0;
    }
    fd_ = fd;
    running_ = 1;
    try {
        thread_ = std::thread(&Serial::ReadingThread, this);
    } catch (const std::system_error& failure) {
        running_ = 0;
        Close();
        lastOpenError_ = {failure.code().value(), "thread"};
        return 0;
    }
    ConsolePrintf("Serial::Open(): RX thread has been created (%d)\n", ++threadSerial);
    return 1;
}

void Serial::Close() {
    running_ = 0;
    if (thread_.joinable()) {
        // The callback runs on the reading thread; it cannot wait for itself.
        // The owner's next Close (or the destructor) finishes the job.
        if (thread_.get_id() == std::this_thread::get_id()) return;
        if (wakePipe_[1] >= 0) {
            char wake = 1;
            ssize_t ignored = write(wakePipe_[1], &wake, 1);
            (void)ignored;
        }
        thread_.join();
    }
    if (fd_ >= 0) {
        // A pseudo-terminal keeps the exclusive flag after the last close;
        // drop it so that a later opener (not root) is not turned away.
        ioctl(fd_, TIOCNXCL);
        CloseFd(fd_);
    }
    CloseFd(wakePipe_[0]);
    CloseFd(wakePipe_[1]);
}

int Serial::Write(const char* data, int length) {
    if (fd_ < 0 || length < 0 || (data == nullptr && length > 0)) return -1;
    using Clock = std::chrono::steady_clock;
    // As long as the line may need for the bytes, plus a margin.
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(100LL * length + 200);
    int written = 0;
    while (written < length) {
        ssize_t n = write(fd_, data + written, static_cast<size_t>(length - written));
        if (n > 0) {
            written += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return -1;
        long left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return -1;
        pollfd p = {fd_, POLLOUT, 0};
        int r = poll(&p, 1, static_cast<int>(left));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return -1;
        if (!(p.revents & POLLOUT)) return -1;  // hung up or failed
    }
    return written;
}

void Serial::DtrOn() { ConsolePrintf("DTR on result: %d\n", fd_ >= 0 ? SetDtr(fd_, true) : 0); }

void Serial::DtrOff() { ConsolePrintf("DTR off result: %d\n", fd_ >= 0 ? SetDtr(fd_, false) : 0); }

void Serial::ReadingThread() {
    onReadingThread = true;
    RequestShortSlice();  // a byte from the board is handed on at once
    ConsolePrintf("Serial::ReadingThread(): Started\n");
    // The board restarts on this pulse; reading begins once it runs again.
    // Close may cut the pulse short.
    DtrOff();
    bool pulsed = SleepUnlessClosed(wakePipe_[0], 500, running_);
    if (pulsed) {
        DtrOn();
        pulsed = SleepUnlessClosed(wakePipe_[0], 500, running_);
    }
    while (pulsed && running_) {
        pollfd p[2] = {{fd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        // Close and WakeAt end the wait through the wake pipe; the only
        // time-out is the timer's.
        const std::int64_t waitNs = NextWaitNs();
        const timespec wait = {static_cast<time_t>(waitNs / 1000000000),
                               static_cast<long>(waitNs % 1000000000)};
        int r = ppoll(p, 2, waitNs < 0 ? nullptr : &wait, nullptr);
        if (r < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (r == 0) continue;
        if (p[1].revents != 0) {
            DrainWakePipe(wakePipe_[0]);
            continue;
        }
        if (p[0].revents == 0) continue;
        ssize_t n = read(fd_, buffer_, static_cast<size_t>(bufferSize_));
        if (n > 0) {
            ReceiveCallback callback = callback_;
            if (callback) callback(buffer_, static_cast<int>(n));
            continue;
        }
        // 0 is end of file: the line hung up (raw mode never returns 0 for
        // "nothing there" on this descriptor, that is EAGAIN).
        if (n == 0) break;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) break;
        // Readable was reported yet nothing came: only an error condition does
        // that, and polling it again would spin.
        if (p[0].revents & (POLLHUP | POLLERR | POLLNVAL)) break;
    }
    // Left the loop on its own, not woken by Close: the line is gone.
    const bool hungUp = pulsed && running_;
    running_ = 0;
    if (hungUp) {
        HangUpCallback hangUp = hangUpCallback_;
        if (hangUp) hangUp();
    }
    ConsolePrintf("Serial::ReadingThread(): Finished\n");
}
