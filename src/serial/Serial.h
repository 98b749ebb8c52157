// One serial port to the hub board: the board's line settings, one I/O
// thread that hands every block of received bytes to a callback and writes
// what the owner hands it, and DTR control (a DTR pulse restarts an
// Arduino-class board). No call of the owner's ever waits for the line: a
// board that stops taking data makes writes fail after the time the line
// needs for them, it never holds up the window.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "platform/SerialLine.h"
#include "serial/PortFailure.h"

// Receives a block of bytes (count >= 1). The block is only valid during the
// call. The result is ignored.
typedef int (*ReceiveCallback)(const char* data, int count);
// Told on the reading thread, after the last block, that the line hung up
// (end of file, EIO, POLLHUP: the board was unplugged). The port stays open
// until the owner closes it.
typedef void (*HangUpCallback)();
// Called on the reading thread when the time given to WakeAt has come;
// returns when to be called next (time_point::max(): not again).
typedef std::chrono::steady_clock::time_point (*TimerCallback)(
    std::chrono::steady_clock::time_point now);

class Serial {
  public:
    explicit Serial(int bufferSize = 1000);
    virtual ~Serial();  // closes the port and waits for the reading thread

    Serial(const Serial&) = delete;
    Serial& operator=(const Serial&) = delete;

    void SetCallback(ReceiveCallback callback);
    void SetHangUpCallback(HangUpCallback callback);
    void SetTimerCallback(TimerCallback callback);
    // Any thread (the receive callback too): the reading thread calls the
    // timer callback at `when` (instead of any time set before), once the
    // port is open and the board's restart pulse is over.
    void WakeAt(std::chrono::steady_clock::time_point when);
    // 1 when the port is open, configured and its reading thread started.
    int Open(const char* portName, int baudRate);
    void Close();
    // Writes `length` bytes without waiting: what the line cannot take at
    // once goes to the I/O thread, which writes it in the order given. While the line takes no data, a block of the same `kind`
    // (not 0) that has not started going out yet is replaced by this one:
    // the board wants the latest frame, not a backlog. Returns -1 when the
    // port is not open, when a write handed over earlier has failed since
    // the last call (it did not go out within the time the line needs at
    // its rate plus a margin, or the line refused it), or when too much is
    // waiting; otherwise `length`.
    int Write(const char* data, int length, unsigned kind = 0);
    void DtrOn();
    void DtrOff();

    bool IsOpen() const;
    // The I/O thread runs: the port is open and the line has not hung up.
    bool Running() const { return running_ != 0; }
    // The line found no room for the last block it tried: the board (or
    // its adapter) is not taking data at the moment.
    bool OutputStalled();
    // Why the last Open failed: the call and its error number; error 0 after
    // a successful open. Read on the thread that opens.
    const PortOpenError& LastOpenError() const { return lastOpenError_; }
    int BaudRate() const { return baudRate_; }

    // The system's path for a port name as the user types it.
    static std::string DevicePath(const std::string& portName) {
        return SerialLine::DevicePath(portName);
    }

    // How long a write of `bytes` may take before it counts as failed: the
    // time the line needs for them at `baudRate`, plus a margin for the
    // adapter and the system.
    static std::chrono::nanoseconds WriteAllowance(int bytes, int baudRate);

  private:
    // A block handed to the I/O thread.
    struct Pending {
        unsigned kind = 0;
        std::string bytes;
        std::size_t sent = 0;
        std::chrono::steady_clock::time_point deadline;  // set when it starts going out
    };

    void ReadingThread();
    // Runs the timer callback when due; how long the reading thread may
    // wait then (nanoseconds; -1: no time-out).
    std::int64_t NextWaitNs();
    // I/O thread: writes what the line takes now; a block past its deadline
    // is given up as a failed write. Returns the nanoseconds until the
    // deadline of the block going out (-1: nothing waits).
    std::int64_t WritePending();
    bool PauseWritingOnly(int ms);

    SerialLine line_;
    std::atomic<int> running_{0};
    char* buffer_;
    int bufferSize_;
    std::thread thread_;
    std::atomic<ReceiveCallback> callback_{nullptr};
    std::atomic<HangUpCallback> hangUpCallback_{nullptr};
    std::atomic<TimerCallback> timerCallback_{nullptr};
    std::atomic<std::int64_t> wakeAtNs_;  // steady clock; INT64_MAX: none
    int baudRate_ = 0;
    PortOpenError lastOpenError_;

    std::mutex outputMutex_;  // guards what follows
    std::deque<Pending> output_;
    std::size_t outputBytes_ = 0;
    bool lineFull_ = false;     // the last write found no room
    bool writeFailed_ = false;  // a failed write not yet told to Write's caller
};
