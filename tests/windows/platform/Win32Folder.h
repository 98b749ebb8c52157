// A folder of the test's own below the user's temporary folder (GetTempPathW),
// with a non-ASCII name, and plain Win32 calls to make, read and list the
// files in it, so that the code under test is checked by other means than its
// own. Paths are UTF-8 with '\'; everything in it goes with the object.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/windows/Win32Text.h"

class Win32Folder {
  public:
    Win32Folder() {
        static std::atomic<int> count{0};
        wchar_t temp[MAX_PATH + 1];
        const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
        path_ = Utf8(std::wstring(temp, n)) + "brantle-K\xc3\xbchler-" +
                std::to_string(GetCurrentProcessId()) + "-" + std::to_string(count++);
        if (!CreateDirectoryW(Utf16(path_).c_str(), nullptr))
            ADD_FAILURE() << "no temporary folder " << path_ << ": " << GetLastError();
    }
    ~Win32Folder() {
        std::error_code error;
        std::filesystem::remove_all(std::filesystem::path(Utf16(path_)), error);
        EXPECT_FALSE(error) << path_ << ": " << error.message();
    }
    Win32Folder(const Win32Folder&) = delete;
    Win32Folder& operator=(const Win32Folder&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

    // A file holding `bytes`, its folder made first.
    std::string Write(const std::string& relative, const std::string& bytes) const {
        const std::string path = *this / relative;
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(Utf16(path)).parent_path(),
                                            error);
        const bool ok =
            WriteAll(CreateFileW(Utf16(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
                     bytes);
        EXPECT_TRUE(ok) << relative << ": " << GetLastError();
        return path;
    }

    // Appends `bytes` to the file as another program would, sharing it with
    // every other writer.
    bool Append(const std::string& path, const std::string& bytes) const {
        return WriteAll(CreateFileW(Utf16(path).c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
                        bytes);
    }

    // The file's bytes; "<missing>" when it cannot be opened.
    std::string Read(const std::string& relative) const {
        HANDLE file = CreateFileW(Utf16(*this / relative).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return "<missing>";
        std::string bytes;
        char buffer[4096];
        DWORD n = 0;
        while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
        CloseHandle(file);
        return bytes;
    }

    // The names in the folder at `relative` ("" for this one), sorted.
    std::vector<std::string> Names(const std::string& relative = "") const {
        std::vector<std::string> names;
        std::error_code error;
        const std::string folder = relative.empty() ? path_ : *this / relative;
        for (const auto& entry :
             std::filesystem::directory_iterator(std::filesystem::path(Utf16(folder)), error))
            names.push_back(Utf8(entry.path().filename().wstring()));
        std::sort(names.begin(), names.end());
        return names;
    }

    // Writes all of `bytes` to `file` in one call and closes it.
    static bool WriteAll(HANDLE file, const std::string& bytes) {
        if (file == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        const bool ok =
            WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
        CloseHandle(file);
        return ok;
    }

  private:
    std::string path_;
};
