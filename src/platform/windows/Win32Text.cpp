#include "platform/windows/Win32Text.h"

#include <windows.h>
#include <winsock2.h>

#include <cerrno>

std::wstring Utf16(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    const int size = static_cast<int>(utf8.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, &wide[0], n);
    return wide;
}

std::string Utf8(const std::wstring& utf16) {
    if (utf16.empty()) return std::string();
    const int size = static_cast<int>(utf16.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, &text[0], n, nullptr, nullptr);
    return text;
}

std::string Utf8(const wchar_t* utf16) { return utf16 != nullptr ? Utf8(std::wstring(utf16)) : ""; }

int ErrorFromWin32(unsigned long code) {
    switch (code) {
        case ERROR_SUCCESS:
            return 0;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case WSAEACCES:
            return EACCES;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_BUSY:
            return EBUSY;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_INVALID_HANDLE:
        case WSAEBADF:
            return EBADF;
        case ERROR_INVALID_PARAMETER:
        case WSAEINVAL:
            return EINVAL;
        case ERROR_TOO_MANY_OPEN_FILES:
        case WSAEMFILE:
            return EMFILE;
        case ERROR_OPERATION_ABORTED:
        case WSAEINTR:
            return EINTR;
        case WSAEADDRINUSE:
            return EADDRINUSE;
        case WSAEADDRNOTAVAIL:
            return EADDRNOTAVAIL;
        case WSAEAFNOSUPPORT:
            return EAFNOSUPPORT;
        case WSAENOTSOCK:
            return ENOTSOCK;
        case WSAEWOULDBLOCK:
            return EWOULDBLOCK;
        case WSAENOBUFS:
            return ENOBUFS;
        case WSAEMSGSIZE:
            return EMSGSIZE;
        case WSAECONNRESET:
            return ECONNRESET;
        case WSAENETDOWN:
            return ENETDOWN;
        default:
            return -static_cast<int>(code);
    }
}

int LastError() { return ErrorFromWin32(GetLastError()); }
