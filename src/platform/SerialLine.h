// The board's serial line as the system gives it: opened for this process
// alone, set to the board's framing (8 data bits, no parity, two stop bits,
// no flow control) at any rate the driver takes, read and written without
// ever blocking, and waited on by one I/O thread that any other thread can
// wake. DTR is the board's reset line.
//
//   Open / Configure / Close   take and let go of the port
//   Wait                       sleep until the line or a Wake asks for work
//   Read / Write               move what is there, never wait
//   SetDtr                     raise or lower DTR
//   Wake                       any thread: end the I/O thread's Wait
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class SerialLine {
  public:
    // What Wait saw; several may come together.
    enum Event : unsigned {
        kReadable = 1,  // bytes to read, or the line hung up (Read tells)
        kWritable = 2,  // room for more output
        kWoken = 4,     // Wake was called
        kHungUp = 8,    // the far end is gone (the board was unplugged)
        kFailed = 16,   // the wait itself failed: the line cannot be used
    };

    SerialLine();
    ~SerialLine();  // closes the port

    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    // The system's path for a port name as the user types it ("ttyUSB0" is
    // "/dev/ttyUSB0" on Linux; a path stays as it is).
    static std::string DevicePath(const std::string& portName);
    // Whether the port at `path` exists and this user may open it, without
    // opening it (a port that comes back after an unplug may not yet be).
    static bool MayOpen(const std::string& path);

    // Opens the port at `path` for reading and writing, for this process
    // alone (others, root included, are turned away while it is open).
    // False with the failed call's name and error number.
    bool Open(const std::string& path, std::string* failedCall, int* error);
    // Sets the board's framing at `baudRate` and readies the wake-up. False
    // with the failed call's name and error number; the port stays open
    // until Close.
    bool Configure(int baudRate, std::string* failedCall, int* error);
    void Close();
    bool IsOpen() const;
    // The number the system knows the open port by, for the console.
    long long HandleNumber() const;

    // The I/O thread: waits for what `interest` asks (kReadable, kWritable),
    // a Wake, or `timeoutNs` (negative: no time-out). Returns the events
    // seen, 0 when the time ran out. With no interest the line itself is
    // not watched, so a hung-up line does not end the wait.
    unsigned Wait(unsigned interest, std::int64_t timeoutNs);
    // Bytes read (>= 1), 0 when nothing is there now, -1 when the line hung
    // up or failed.
    int Read(char* buffer, int size);
    // Bytes the line took (0 when it has no room now), -1 when it failed.
    int Write(const char* data, int length);
    // Raises or lowers DTR; the system's result for the console (1 done,
    // 0 failed: a pseudo-terminal has no DTR).
    int SetDtr(bool on);
    // Any thread.
    void Wake();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
