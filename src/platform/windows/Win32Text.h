// Text and error codes at the Win32 boundary: the program keeps UTF-8 inside
// and speaks UTF-16 to every wide Win32 call; error codes from GetLastError
// and WSAGetLastError become the errno values the rest of the program knows
// (platform/SystemError.h), or stay the system's own code where no errno
// value means the same.
#pragma once

#include <string>

// UTF-8 to UTF-16 and back. Bytes that are not UTF-8 become U+FFFD rather
// than being dropped; an empty text gives an empty one.
std::wstring Utf16(const std::string& utf8);
std::string Utf8(const std::wstring& utf16);
std::string Utf8(const wchar_t* utf16);

// The error number for a Win32 or Winsock code: the errno value that means
// the same (ERROR_FILE_NOT_FOUND is ENOENT, WSAEADDRINUSE is EADDRINUSE),
// else the code negated, which SystemErrorText and SystemErrorName turn into
// the system's own text and the code. 0 stays 0.
int ErrorFromWin32(unsigned long code);
// The same for GetLastError() now.
int LastError();
