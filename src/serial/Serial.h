// One serial port to the hub board: termios line settings, a reading thread
// that hands every block of received bytes to a callback, synchronous writes
// and DTR control (a DTR pulse restarts an Arduino-class board).
#pragma once

#include <atomic>
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

class Serial {
public:
    explicit Serial(int bufferSize = 1000);
    virtual ~Serial();  // closes the port and waits for the reading thread

    Serial(const Serial&) = delete;
    Serial& operator=(const Serial&) = delete;

    void SetCallback(ReceiveCallback callback);
    void SetHangUpCallback(HangUpCallback callback);
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

    int fd_ = -1;
    int wakePipe_[2] = {-1, -1};  // written by Close to wake the reading thread
    std::atomic<int> running_{0};
    char* buffer_;
    int bufferSize_;
    std::thread thread_;
    std::atomic<ReceiveCallback> callback_{nullptr};
    std::atomic<HangUpCallback> hangUpCallback_{nullptr};
    int baudRate_ = 0;
    PortOpenError lastOpenError_;
};
