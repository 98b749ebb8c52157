#include "serial/Serial.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <utility>

#include "console/Console.h"
#include "platform/TimeSlice.h"

namespace {

using Clock = std::chrono::steady_clock;

// Numbers the reading threads of the whole run for the "created" line.
std::atomic<int> threadSerial{0};

constexpr std::int64_t kNoWake = INT64_MAX;

// Start bit, 8 data bits and two stop bits.
constexpr long long kBitsPerByte = 11;
// What a USB adapter and the system may add to the line's own time.
constexpr std::chrono::milliseconds kWriteMargin(200);
// Far more than a burst of frames; only a line that takes nothing while the
// owner goes on handing blocks that replace nothing comes near it.
constexpr std::size_t kMaxOutputBytes = 64 * 1024;

// Set on a reading thread: it reads the wake time again before it waits.
thread_local bool onReadingThread = false;

std::int64_t SteadyNs(Clock::time_point t) {
    if (t == Clock::time_point::max()) return kNoWake;
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

// The shorter of two waits, -1 standing for none.
std::int64_t Sooner(std::int64_t a, std::int64_t b) {
    if (a < 0) return b;
    if (b < 0) return a;
    return std::min(a, b);
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
    if (!onReadingThread && running_) line_.Wake();
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

std::chrono::nanoseconds Serial::WriteAllowance(int bytes, int baudRate) {
    const long long line =
        baudRate > 0 ? std::max(bytes, 0) * kBitsPerByte * 1000000000LL / baudRate : 0;
    return std::chrono::nanoseconds(line) + kWriteMargin;
}

bool Serial::IsOpen() const { return line_.IsOpen(); }

int Serial::Open(const char* portName, int baudRate) {
    // A previous connection's thread must be gone before a new port exists
    // that it could read from.
    Close();
    baudRate_ = baudRate;
    const std::string path = DevicePath(portName ? portName : "");

    lastOpenError_ = PortOpenError();
    if (!line_.Open(path, &lastOpenError_.call, &lastOpenError_.error)) {
        ConsolePrintf("Serial::Open(): %s could not be opened.\n", path.c_str());
        return 0;
    }
    ConsolePrintf("Serial::Open(): %s opened sexyfully handle=%d.\n", path.c_str(),
                  static_cast<int>(line_.HandleNumber()));
    if (!line_.Configure(baudRate, &lastOpenError_.call, &lastOpenError_.error)) {
        line_.Close();
        return 0;
    }
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
        line_.Wake();
        thread_.join();
    }
    line_.Close();
    std::lock_guard<std::mutex> lock(outputMutex_);
    output_.clear();
    outputBytes_ = 0;
    lineFull_ = writeFailed_ = false;
}

int Serial::Write(const char* data, int length, unsigned kind) {
    if (!running_ || length < 0 || (data == nullptr && length > 0)) return -1;
    bool failed = false;
    bool wasIdle = false;
    bool queued = false;
    {
        std::lock_guard<std::mutex> lock(outputMutex_);
        failed = std::exchange(writeFailed_, false);
        wasIdle = output_.empty();
        auto same = output_.end();
        if (lineFull_ && kind != 0) {
            same = std::find_if(output_.begin(), output_.end(), [kind](const Pending& p) {
                return p.kind == kind && p.deadline == Clock::time_point();
            });
        }
        if (length == 0) {
        } else if (same != output_.end()) {
            outputBytes_ = outputBytes_ - same->bytes.size() + static_cast<std::size_t>(length);
            same->bytes.assign(data, static_cast<std::size_t>(length));
        } else if (outputBytes_ + static_cast<std::size_t>(length) > kMaxOutputBytes) {
            failed = true;
        } else {
            // A line with nothing waiting mostly takes a block at once: it
            // goes out here, and the I/O thread is woken only for what the
            // line has no room for now.
            const int taken = wasIdle ? line_.Write(data, length) : 0;
            if (taken < 0) {
                failed = true;
            } else if (taken < length) {
                Pending rest{kind,
                             std::string(data, static_cast<std::size_t>(length)),
                             static_cast<std::size_t>(taken),
                             {}};
                if (taken > 0) rest.deadline = Clock::now() + WriteAllowance(length, baudRate_);
                lineFull_ = lineFull_ || wasIdle;
                output_.push_back(std::move(rest));
                outputBytes_ += static_cast<std::size_t>(length);
                queued = true;
            }
        }
    }
    // A thread that already waits to write takes the new block after the
    // one going out; only an idle one must be woken.
    if (queued && wasIdle && !onReadingThread) line_.Wake();
    return failed ? -1 : length;
}

bool Serial::OutputStalled() {
    std::lock_guard<std::mutex> lock(outputMutex_);
    return lineFull_;
}

std::int64_t Serial::WritePending() {
    std::lock_guard<std::mutex> lock(outputMutex_);
    const Clock::time_point now = Clock::now();
    while (!output_.empty()) {
        Pending& head = output_.front();
        const int size = static_cast<int>(head.bytes.size());
        if (head.deadline == Clock::time_point()) {
            head.deadline = now + WriteAllowance(size, baudRate_);
        }
        const int n =
            line_.Write(head.bytes.data() + head.sent, size - static_cast<int>(head.sent));
        if (n > 0) head.sent += static_cast<std::size_t>(n);
        const bool done = head.sent == head.bytes.size();
        if (!done && n >= 0 && now < head.deadline) {
            lineFull_ = true;
            return std::chrono::duration_cast<std::chrono::nanoseconds>(head.deadline - now)
                .count();
        }
        // Gone out, or given up: the line refused it, or took too long.
        if (!done) writeFailed_ = true;
        lineFull_ = !done;
        outputBytes_ -= head.bytes.size();
        output_.pop_front();
    }
    return -1;
}

void Serial::DtrOn() { ConsolePrintf("DTR on result: %d\n", line_.SetDtr(true)); }

void Serial::DtrOff() { ConsolePrintf("DTR off result: %d\n", line_.SetDtr(false)); }

// Sleeps `ms` milliseconds while still writing what is handed over, unless
// Close ends the wait first (a mere nudge of WakeAt does not). True when the
// whole time passed.
bool Serial::PauseWritingOnly(int ms) {
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const std::int64_t writeNs = WritePending();
        const std::int64_t left =
            std::chrono::duration_cast<std::chrono::nanoseconds>(end - Clock::now()).count();
        if (!running_) return false;
        if (left <= 0) return true;
        const unsigned seen =
            line_.Wait(writeNs >= 0 ? unsigned{SerialLine::kWritable} : 0u, Sooner(left, writeNs));
        if (seen & SerialLine::kFailed) return false;
    }
}

void Serial::ReadingThread() {
    onReadingThread = true;
    RequestShortSlice();  // a byte from the board is handed on at once
    ConsolePrintf("Serial::ReadingThread(): Started\n");
    // The board restarts on this pulse; reading begins once it runs again.
    // Close may cut the pulse short.
    DtrOff();
    bool pulsed = PauseWritingOnly(500);
    if (pulsed) {
        DtrOn();
        pulsed = PauseWritingOnly(500);
    }
    while (pulsed && running_) {
        // Close and WakeAt end the wait through the wake-up; the only
        // time-outs are the timer's and that of a block going out.
        const std::int64_t timerNs = NextWaitNs();
        const std::int64_t writeNs = WritePending();
        const unsigned interest =
            SerialLine::kReadable | (writeNs >= 0 ? unsigned{SerialLine::kWritable} : 0u);
        const unsigned seen = line_.Wait(interest, Sooner(timerNs, writeNs));
        if (seen & SerialLine::kFailed) break;
        if (!(seen & SerialLine::kReadable)) continue;
        const int n = line_.Read(buffer_, bufferSize_);
        if (n > 0) {
            ReceiveCallback callback = callback_;
            if (callback) callback(buffer_, n);
            continue;
        }
        if (n < 0) break;
        // Readable was reported yet nothing came: only an error condition does
        // that, and waiting again would spin.
        if (seen & SerialLine::kHungUp) break;
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
