// Text and error codes at the Win32 boundary: UTF-8 and UTF-16 round-trip,
// Win32 and Winsock codes read as the errno values the program's rules know,
// and the system's own words for the rest.
#include <gtest/gtest.h>
#include <windows.h>
#include <winsock2.h>

#include <cerrno>

#include "platform/SystemError.h"
#include "platform/windows/Win32Text.h"

TEST(Win32Text, Utf8AndUtf16RoundTrip) {
    for (const std::string text :
         {"", "COM5", "Kühler Ölschalter", "\xe6\x97\xa5\xe6\x9c\xac", "\xf0\x9f\x9b\xab plane"}) {
        EXPECT_EQ(Utf8(Utf16(text)), text);
    }
    EXPECT_EQ(Utf16("\xc3\xbc"), std::wstring(L"\u00fc"));
    EXPECT_EQ(Utf16("\xf0\x9f\x9b\xab").size(), 2u) << "a surrogate pair";
    // Bytes that are not UTF-8 are marked, not dropped.
    EXPECT_EQ(Utf16("a\xff"
                    "b"),
              std::wstring(L"a\ufffdb"));
}

TEST(Win32Text, CodesBecomeErrnoValuesOrStayTheSystems) {
    struct Row {
        unsigned long code;
        int error;
    } rows[] = {
        {ERROR_SUCCESS, 0},
        {ERROR_FILE_NOT_FOUND, ENOENT},
        {ERROR_PATH_NOT_FOUND, ENOENT},
        {ERROR_ACCESS_DENIED, EACCES},
        {ERROR_SHARING_VIOLATION, EBUSY},
        {ERROR_DISK_FULL, ENOSPC},
        {WSAEADDRINUSE, EADDRINUSE},
        {WSAEACCES, EACCES},
        {WSAENOTSOCK, ENOTSOCK},
        {ERROR_NOT_SUPPORTED, -static_cast<int>(ERROR_NOT_SUPPORTED)},
        {ERROR_DEVICE_NOT_CONNECTED, -static_cast<int>(ERROR_DEVICE_NOT_CONNECTED)},
    };
    for (const Row& row : rows) EXPECT_EQ(ErrorFromWin32(row.code), row.error) << row.code;
    SetLastError(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(LastError(), ENOENT);
}

TEST(Win32Text, ErrorTextsAndNames) {
    EXPECT_EQ(SystemErrorText(EACCES), "Permission denied");
    EXPECT_EQ(SystemErrorName(EADDRINUSE), "EADDRINUSE");
    EXPECT_EQ(SystemErrorText(12345), "Unknown error 12345");
    EXPECT_EQ(SystemErrorName(12345), "");
    // A code of the system's own: its words, without the line end, and its number.
    const std::string text = SystemErrorText(-static_cast<int>(ERROR_NOT_SUPPORTED));
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find('\n'), std::string::npos) << text;
    EXPECT_EQ(text.find("Unknown error"), std::string::npos) << text;
    EXPECT_EQ(SystemErrorName(-static_cast<int>(ERROR_NOT_SUPPORTED)), "error 50");
}
