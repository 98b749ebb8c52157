#include "platform/SystemError.h"

#include <windows.h>

#include <cerrno>

#include "platform/windows/Win32Text.h"

namespace {

// The errno values the program's Win32 calls are mapped to, with the texts
// and names a POSIX system gives them (the C runtime's own table stops
// short of the socket errors).
struct Known {
    int error;
    const char* name;
    const char* text;
};
constexpr Known kKnown[] = {
    {ENOENT, "ENOENT", "No such file or directory"},
    {EACCES, "EACCES", "Permission denied"},
    {EPERM, "EPERM", "Operation not permitted"},
    {EBUSY, "EBUSY", "Device or resource busy"},
    {ENOMEM, "ENOMEM", "Cannot allocate memory"},
    {ENOSPC, "ENOSPC", "No space left on device"},
    {EEXIST, "EEXIST", "File exists"},
    {ENOTDIR, "ENOTDIR", "Not a directory"},
    {EISDIR, "EISDIR", "Is a directory"},
    {EBADF, "EBADF", "Bad file descriptor"},
    {EINVAL, "EINVAL", "Invalid argument"},
    {EMFILE, "EMFILE", "Too many open files"},
    {ENFILE, "ENFILE", "Too many open files in system"},
    {EINTR, "EINTR", "Interrupted system call"},
    {EIO, "EIO", "Input/output error"},
    {ENODEV, "ENODEV", "No such device"},
    {ENXIO, "ENXIO", "No such device or address"},
    {ENOTTY, "ENOTTY", "Inappropriate ioctl for device"},
    {EPIPE, "EPIPE", "Broken pipe"},
    {ETIMEDOUT, "ETIMEDOUT", "Connection timed out"},
    {EADDRINUSE, "EADDRINUSE", "Address already in use"},
    {EADDRNOTAVAIL, "EADDRNOTAVAIL", "Cannot assign requested address"},
    {EAFNOSUPPORT, "EAFNOSUPPORT", "Address family not supported by protocol"},
    {ENOTSOCK, "ENOTSOCK", "Socket operation on non-socket"},
    {EWOULDBLOCK, "EWOULDBLOCK", "Resource temporarily unavailable"},
    {ENOBUFS, "ENOBUFS", "No buffer space available"},
    {EMSGSIZE, "EMSGSIZE", "Message too long"},
    {ECONNRESET, "ECONNRESET", "Connection reset by peer"},
    {ENETDOWN, "ENETDOWN", "Network is down"},
};

const Known* Find(int error) {
    for (const Known& k : kKnown)
        if (k.error == error) return &k;
    return nullptr;
}

// The system's own words for a Win32 code, in English where the system has
// them, without the line end FormatMessage puts at the end.
std::string Win32Text(unsigned long code) {
    constexpr DWORD kFlags =
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;
    wchar_t buffer[512];
    DWORD n = FormatMessageW(kFlags, nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                             buffer, sizeof buffer / sizeof buffer[0], nullptr);
    if (n == 0)
        n = FormatMessageW(kFlags, nullptr, code, 0, buffer, sizeof buffer / sizeof buffer[0],
                           nullptr);
    std::string text = n > 0 ? Utf8(std::wstring(buffer, n)) : std::string();
    while (!text.empty() &&
           (text.back() == ' ' || text.back() == '\r' || text.back() == '\n' || text.back() == '.'))
        text.pop_back();
    return text;
}

}  // namespace

std::string SystemErrorText(int error) {
    if (error < 0) {
        const std::string text = Win32Text(static_cast<unsigned long>(-error));
        return text.empty() ? "Unknown error " + std::to_string(-error) : text;
    }
    if (const Known* k = Find(error)) return k->text;
    return "Unknown error " + std::to_string(error);
}

std::string SystemErrorName(int error) {
    if (error < 0) return "error " + std::to_string(-error);
    const Known* k = Find(error);
    return k != nullptr ? k->name : "";
}

SystemAdvice ThisSystemsAdvice() { return SystemAdvice::Windows; }
