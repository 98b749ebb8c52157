// One serial port to the hub board: termios line settings, a reading thread
// that hands every block of received bytes to a callback, synchronous writes
// and DTR control (a DTR pulse restarts an Arduino-class board).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

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
    // -1 when a write fails, otherwise the number of bytes written.
    int Write(const char* data, int length);
    void DtrOn();
    void DtrOff();

    bool IsOpen() const;
    // Why the last Open failed: the call and its error number; error 0 after
    // a successful open. Read on the thread that opens.
    const PortOpenError& LastOpenError() const { return lastOpenError_; }
    int BaudRate() const { return baudRate_; }

    // The device path for a port name: the name itself when it starts with
    // "/", otherwise "/dev/" followed by the name.
    static std::string DevicePath(const std::string& portName);

private:
    void ReadingThread();
    // Runs the timer callback when due; how long the reading thread may
    // wait then (nanoseconds; -1: no time-out).
    std::int64_t NextWaitNs();

    int fd_ = -1;
    int wakePipe_[2] = {-1, -1};  // written by Close to wake the reading thread
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
};
