#include "platform/SerialLine.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/windows/Win32Text.h"

namespace {

constexpr char kDevicePrefix[] = "\\\\.\\";  // \\.\ before a device name
constexpr DWORD kReadSize = 4096;
// A read ends 20 ms after the last byte that came, or after half a second
// with nothing at all: the pending read then simply starts again. (The
// "return at once" timeouts, MAXDWORD/MAXDWORD/n, never complete an
// overlapped read under Wine.)
constexpr DWORD kReadInterval = 20;
constexpr DWORD kReadTotal = 500;
// A write the board does not take ends after this much more than its line
// time, with the count of what went out.
constexpr DWORD kWriteMargin = 500;
// Close waits this long for cancelled I/O before it lets the buffers go.
constexpr DWORD kCancelWait = 2000;

// The overlapped I/O and its buffers. Kept on the heap: when a driver does
// not finish cancelled I/O in time, Close leaves this to it rather than free
// memory the driver may still write to.
struct Io {
    OVERLAPPED readOv{};
    char readBuffer[kReadSize];
    bool readPending = false;
    DWORD readHave = 0;  // bytes in readBuffer not yet handed out
    DWORD readAt = 0;

    std::mutex writeMutex;  // Write runs on the owner's thread too
    OVERLAPPED writeOv{};
    std::vector<char> writeBuffer;
    bool writePending = false;
    bool writeShort = false;  // the last write ended before all went out

    Io() {
        readOv.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        writeOv.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~Io() {
        if (readOv.hEvent) CloseHandle(readOv.hEvent);
        if (writeOv.hEvent) CloseHandle(writeOv.hEvent);
    }
    bool Ready() const { return readOv.hEvent != nullptr && writeOv.hEvent != nullptr; }
};

bool Fail(const char* call, int error, std::string* failedCall, int* errorOut) {
    *failedCall = call;
    *errorOut = error;
    return false;
}

// A COM port's open is refused with "access denied" (or a sharing
// violation under Wine) when another program has it: that is a busy port,
// not a matter of permissions.
int OpenError(DWORD code) {
    if (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION ||
        code == ERROR_ALREADY_EXISTS)
        return EBUSY;
    return ErrorFromWin32(code);
}

// The port's name without \\.\ (COM5).
std::string NameOf(const std::string& path) {
    return path.rfind(kDevicePrefix, 0) == 0 ? path.substr(std::strlen(kDevicePrefix)) : path;
}

// Takes the port for this program's openers alone, as the Linux side's flock
// does: a COM port driver turns away a second opener itself, but Wine opens a
// terminal as often as asked. Null when another opener holds the name.
HANDLE TakePortName(const std::string& path, DWORD* code) {
    // COM5 and com5 are one port; a kernel object's name has no backslash.
    std::wstring port = Utf16(NameOf(path));
    if (port.empty()) port = L"-";
    CharUpperW(&port[0]);
    std::replace(port.begin(), port.end(), L'\\', L'/');
    const std::wstring name = L"Global\\BrantleConfigHelper.port." + port;
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    *code = GetLastError();
    if (mutex != nullptr && *code == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return nullptr;
    }
    return mutex;
}

// Whether the device name (COM5, without \\.\) is known to the system now.
bool DeviceNameExists(const std::wstring& name) {
    wchar_t target[1024];
    return !name.empty() && QueryDosDeviceW(name.c_str(), target, 1024) != 0;
}

// Milliseconds for WaitForMultipleObjects, rounded up so that a wait never
// ends just before the time it was given.
DWORD WaitMs(std::int64_t ns) {
    if (ns < 0) return INFINITE;
    const std::int64_t ms = (ns + 999999) / 1000000;
    return ms >= static_cast<std::int64_t>(INFINITE) ? INFINITE - 1 : static_cast<DWORD>(ms);
}

}  // namespace

struct SerialLine::Impl {
    HANDLE port = INVALID_HANDLE_VALUE;
    HANDLE portName = nullptr;  // held while the port is open
    // Kept for the life of the line, so that Wake is safe from any thread at
    // any time.
    HANDLE wake = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Io* io = nullptr;
    // A read or write failed: the device went away. Set by either thread.
    std::atomic<bool> gone{false};

    ~Impl() {
        if (wake) CloseHandle(wake);
    }

    // Takes what the completed read brought; false when the read failed.
    bool FinishRead() {
        DWORD n = 0;
        io->readPending = false;
        if (!GetOverlappedResult(port, &io->readOv, &n, FALSE)) return false;
        io->readHave = n;
        io->readAt = 0;
        return true;
    }

    // Keeps a read pending while nothing is buffered. Reports kReadable when
    // bytes are there or the line failed, 0 while the read is pending.
    unsigned KeepReading() {
        for (;;) {
            if (gone) return kReadable | kHungUp;
            if (io->readAt < io->readHave) return kReadable;
            if (io->readPending) {
                if (WaitForSingleObject(io->readOv.hEvent, 0) != WAIT_OBJECT_0) return 0;
                if (!FinishRead()) gone = true;
                continue;  // a read that timed out with nothing starts again
            }
            ResetEvent(io->readOv.hEvent);
            DWORD n = 0;
            if (ReadFile(port, io->readBuffer, kReadSize, &n, &io->readOv)) {
                // Done at once; the result is read through the overlapped
                // record as for a pending read.
                io->readPending = true;
                continue;
            }
            if (GetLastError() == ERROR_IO_PENDING) {
                io->readPending = true;
                return 0;
            }
            gone = true;
        }
    }

    // Collects a finished write; false while it is still going out.
    bool WriteDone() {
        if (!io->writePending) return true;
        DWORD n = 0;
        if (!GetOverlappedResult(port, &io->writeOv, &n, FALSE)) {
            if (GetLastError() == ERROR_IO_INCOMPLETE) return false;
            gone = true;
        } else if (n < io->writeBuffer.size()) {
            io->writeShort = true;  // the write time ran out
        }
        io->writePending = false;
        return true;
    }

    // Waits up to `ms` for the cancelled I/O, then collects it; false when
    // it is still not done.
    bool Settle(OVERLAPPED& ov, bool& pending) {
        if (!pending) return true;
        if (WaitForSingleObject(ov.hEvent, kCancelWait) != WAIT_OBJECT_0) return false;
        DWORD n = 0;
        GetOverlappedResult(port, &ov, &n, FALSE);
        pending = false;
        return true;
    }
};

SerialLine::SerialLine() : impl_(new Impl) {}

SerialLine::~SerialLine() { Close(); }

std::string SerialLine::DevicePath(const std::string& portName) {
    return portName.rfind(kDevicePrefix, 0) == 0 ? portName : kDevicePrefix + portName;
}

bool SerialLine::MayOpen(const std::string& path) { return DeviceNameExists(Utf16(NameOf(path))); }

bool SerialLine::Open(const std::string& path, std::string* failedCall, int* error) {
    Close();
    if (impl_->wake == nullptr) return Fail("CreateEventW", LastError(), failedCall, error);
    std::unique_ptr<Io> io(new Io);
    if (!io->Ready()) return Fail("CreateEventW", LastError(), failedCall, error);
    DWORD code = 0;
    const HANDLE portName = TakePortName(path, &code);
    if (portName == nullptr) return Fail("CreateMutexW", OpenError(code), failedCall, error);
    // No sharing: the port is this process's alone while it is open.
    const HANDLE port = CreateFileW(Utf16(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        code = GetLastError();
        CloseHandle(portName);
        return Fail("CreateFileW", OpenError(code), failedCall, error);
    }
    impl_->portName = portName;
    // What an earlier user of the port left in the driver is not the board's.
    PurgeComm(port, PURGE_RXABORT | PURGE_TXABORT | PURGE_RXCLEAR | PURGE_TXCLEAR);
    impl_->port = port;
    impl_->io = io.release();
    impl_->gone = false;
    return true;
}

bool SerialLine::Configure(int baudRate, std::string* failedCall, int* error) {
    if (baudRate <= 0) return Fail("line settings", EINVAL, failedCall, error);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(impl_->port, &dcb)) {
        const DWORD code = GetLastError();
        // A device that is not a serial port does not know the call.
        const bool notSerial = code == ERROR_INVALID_FUNCTION || code == ERROR_NOT_SUPPORTED ||
                               code == ERROR_INVALID_PARAMETER;
        return Fail("GetCommState", notSerial ? ENOTTY : ErrorFromWin32(code), failedCall, error);
    }
    // The board's framing, binary, and no flow control of any kind: a stray
    // XOFF byte must not stop the line, and the modem lines (DTR is the
    // board's reset) gate nothing. DTR and RTS are raised as a Linux open
    // raises them; the I/O thread pulses DTR itself.
    dcb.BaudRate = static_cast<DWORD>(baudRate);
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = TWOSTOPBITS;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(impl_->port, &dcb)) {
        const DWORD code = GetLastError();
        // A rate the driver does not take.
        return Fail("SetCommState", code == ERROR_INVALID_PARAMETER ? EINVAL : ErrorFromWin32(code),
                    failedCall, error);
    }
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = kReadInterval;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = kReadTotal;
    // Milliseconds per byte at this rate (11 bits), rounded up.
    timeouts.WriteTotalTimeoutMultiplier = static_cast<DWORD>((11000 + baudRate - 1) / baudRate);
    timeouts.WriteTotalTimeoutConstant = kWriteMargin;
    if (!SetCommTimeouts(impl_->port, &timeouts))
        return Fail("SetCommTimeouts", LastError(), failedCall, error);
    ResetEvent(impl_->wake);
    return true;
}

void SerialLine::Close() {
    Impl& d = *impl_;
    if (d.port == INVALID_HANDLE_VALUE) return;
    // A driver's close waits for output that a board which takes no data
    // never takes: pending I/O is cancelled and the output dropped first.
    CancelIoEx(d.port, nullptr);
    bool settled = d.Settle(d.io->readOv, d.io->readPending);
    {
        std::lock_guard<std::mutex> lock(d.io->writeMutex);
        settled = d.Settle(d.io->writeOv, d.io->writePending) && settled;
    }
    PurgeComm(d.port, PURGE_RXABORT | PURGE_TXABORT | PURGE_RXCLEAR | PURGE_TXCLEAR);
    CloseHandle(d.port);
    // I/O that never finished may still write into the buffers: left to it.
    if (settled) delete d.io;
    d.io = nullptr;
    d.port = INVALID_HANDLE_VALUE;
    CloseHandle(d.portName);
    d.portName = nullptr;
    d.gone = false;
}

bool SerialLine::IsOpen() const { return impl_->port != INVALID_HANDLE_VALUE; }

long long SerialLine::HandleNumber() const {
    return IsOpen() ? static_cast<long long>(reinterpret_cast<std::intptr_t>(impl_->port)) : -1;
}

unsigned SerialLine::Wait(unsigned interest, std::int64_t timeoutNs) {
    Impl& d = *impl_;
    const ULONGLONG start = GetTickCount64();
    const DWORD total = WaitMs(timeoutNs);
    for (;;) {
        unsigned seen = 0;
        if (WaitForSingleObject(d.wake, 0) == WAIT_OBJECT_0) {
            ResetEvent(d.wake);
            seen |= kWoken;
        }
        if (d.port == INVALID_HANDLE_VALUE) {
            if (seen) return seen;
        } else {
            if (interest & kReadable) seen |= d.KeepReading();
            if (interest & kWritable) {
                std::lock_guard<std::mutex> lock(d.io->writeMutex);
                if (d.WriteDone()) seen |= kWritable;
                if (d.gone) seen |= kReadable | kHungUp;
            }
        }
        if (seen) return seen;

        HANDLE handles[3] = {d.wake};
        DWORD count = 1;
        if (d.port != INVALID_HANDLE_VALUE) {
            if ((interest & kReadable) && d.io->readPending) handles[count++] = d.io->readOv.hEvent;
            if (interest & kWritable) handles[count++] = d.io->writeOv.hEvent;
        }
        DWORD left = total;
        if (total != INFINITE) {
            const ULONGLONG spent = GetTickCount64() - start;
            if (spent >= total) return 0;
            left = total - static_cast<DWORD>(spent);
        }
        const DWORD r = WaitForMultipleObjects(count, handles, FALSE, left);
        if (r == WAIT_TIMEOUT) return 0;
        if (r == WAIT_FAILED) return kFailed;
        // Something was signalled: the top of the loop tells what.
    }
}

int SerialLine::Read(char* buffer, int size) {
    Impl& d = *impl_;
    if (d.port == INVALID_HANDLE_VALUE || size <= 0) return d.port == INVALID_HANDLE_VALUE ? -1 : 0;
    if (d.io->readAt >= d.io->readHave && !d.gone) d.KeepReading();
    if (d.io->readAt < d.io->readHave) {
        const DWORD n = std::min(static_cast<DWORD>(size), d.io->readHave - d.io->readAt);
        std::memcpy(buffer, d.io->readBuffer + d.io->readAt, n);
        d.io->readAt += n;
        return static_cast<int>(n);
    }
    return d.gone ? -1 : 0;
}

int SerialLine::Write(const char* data, int length) {
    Impl& d = *impl_;
    if (d.port == INVALID_HANDLE_VALUE || length < 0) return -1;
    std::lock_guard<std::mutex> lock(d.io->writeMutex);
    if (!d.WriteDone()) return 0;  // still going out: no room
    if (d.gone) return -1;
    // Output the board did not take in time is reported once, as a Linux
    // write that finds no room until its deadline would be.
    if (d.io->writeShort) {
        d.io->writeShort = false;
        return -1;
    }
    if (length == 0) return 0;
    d.io->writeBuffer.assign(data, data + length);
    ResetEvent(d.io->writeOv.hEvent);
    DWORD n = 0;
    if (WriteFile(d.port, d.io->writeBuffer.data(), static_cast<DWORD>(length), &n,
                  &d.io->writeOv) ||
        GetLastError() == ERROR_IO_PENDING) {
        // Taken: it goes out from the buffer; the next write waits for it.
        d.io->writePending = true;
        return length;
    }
    d.gone = true;
    return -1;
}

int SerialLine::SetDtr(bool on) {
    if (impl_->port == INVALID_HANDLE_VALUE) return 0;
    return EscapeCommFunction(impl_->port, on ? SETDTR : CLRDTR) ? 1 : 0;
}

void SerialLine::Wake() {
    if (impl_->wake) SetEvent(impl_->wake);
}
