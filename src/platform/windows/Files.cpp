// The Win32 side of Files.h: wide calls on UTF-8 paths that may use / or \.
// A replacement is written to a file beside the old one, flushed and moved
// over it; ReplaceFileW keeps what the user's file was (attributes, ACL,
// creation time), and a symbolic link has the file it leads to replaced.
#include "platform/Files.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

#include "platform/SystemError.h"
#include "platform/windows/Win32Text.h"

namespace {

std::string Reason(int error) { return SystemErrorText(error); }

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The path for a wide call, with the system's own separator throughout.
std::wstring WidePath(const std::string& path) {
    std::wstring wide = Utf16(path);
    for (wchar_t& c : wide)
        if (c == L'/') c = L'\\';
    return wide;
}

// The folder of `path`: "." for a bare name, the root itself for "C:\x".
std::string FolderOf(const std::string& path) {
    std::size_t slash = path.size();
    while (slash > 0 && !IsSeparator(path[slash - 1])) --slash;
    if (slash == 0) return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : ".";
    const std::string folder = path.substr(0, slash - 1);
    // "C:" alone would name the drive's current folder, "" the root of the
    // current drive: both keep their separator.
    if (folder.empty() || (folder.size() == 2 && folder[1] == ':')) return path.substr(0, slash);
    return folder;
}

// Makes the folder and the ones above it; true when it exists afterwards,
// else false with the errno value in *error. A new folder gets its parent's
// inherited ACL: below %LOCALAPPDATA% that is the user's alone.
bool MakeFolders(const std::string& folder, int* error) {
    const std::wstring wide = WidePath(folder);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
        *error = ENOTDIR;
        return false;
    }
    const std::string parent = FolderOf(folder);
    if (parent != folder && !MakeFolders(parent, error)) return false;
    if (CreateDirectoryW(wide.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
        return true;
    *error = LastError();
    return false;
}

// Writes all `size` bytes at the handle's position (or at the end for a
// handle opened to append). False with the errno value in *error.
bool WriteAll(HANDLE file, const char* data, std::size_t size, int* error) {
    while (size > 0) {
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr)) {
            *error = LastError();
            return false;
        }
        if (written == 0) {  // nothing taken and no error: do not spin
            *error = EIO;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// Opens the file `path` names, following a symbolic link, with no access to
// its content (it stays free to everyone else).
HANDLE OpenToLook(const std::wstring& path) {
    return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The path of the open file, as the system resolved it, without the "\\?\"
// that GetFinalPathNameByHandleW puts before a drive letter. Empty when the
// system cannot say.
std::wstring FinalPath(HANDLE file) {
    std::wstring path(MAX_PATH, L'\0');
    for (int tries = 0; tries < 3; ++tries) {
        const DWORD n = GetFinalPathNameByHandleW(file, &path[0], static_cast<DWORD>(path.size()),
                                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0) return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            if (path.size() >= 6 && path.compare(0, 4, L"\\\\?\\") == 0 && path[5] == L':')
                path.erase(0, 4);
            return path;
        }
        path.resize(n);
    }
    return std::wstring();
}

// A name beside `path` that no other writer uses.
std::wstring TempBeside(const std::wstring& path) {
    static std::atomic<unsigned> counter{0};
    return path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(counter.fetch_add(1)) + L".tmp";
}

// Why a path that could not be opened as a file was refused: a folder is
// named as one.
int OpenFailure(const std::wstring& path) {
    const int error = LastError();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return EISDIR;
    return error;
}

// Gives the file the attributes it had (hidden, system...) where the system
// did not carry them over itself (Wine's ReplaceFileW does not). The new
// content is in place by then: a file that stays without them is no reason
// to fail.
void KeepAttributes(const std::wstring& path, DWORD before) {
    constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD now = GetFileAttributesW(path.c_str());
    if (before == INVALID_FILE_ATTRIBUTES || now == INVALID_FILE_ATTRIBUTES) return;
    if ((now & kSettable) == (before & kSettable)) return;
    const DWORD wanted = before & kSettable;
    SetFileAttributesW(path.c_str(), wanted != 0 ? wanted : FILE_ATTRIBUTE_NORMAL);
}

// Writes `content` to a new file beside `target`, flushed to disk, and
// moves it over `target`: the old content or the new, never half. With
// `keep`, ReplaceFileW swaps it in so the file keeps its attributes and ACL
// (a target that went meanwhile is simply made). The temporary file is gone
// whatever happened.
bool WriteBeside(const std::wstring& target, const std::string& content, bool keep,
                 std::string* error) {
    std::wstring temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int tries = 0; tries < 10 && file == INVALID_HANDLE_VALUE; ++tries) {
        temp = TempBeside(target);
        file = CreateFileW(temp.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (file == INVALID_HANDLE_VALUE) {
        if (error) *error = Reason(LastError());
        return false;
    }
    int failure = 0;
    bool ok = WriteAll(file, content.data(), content.size(), &failure);
    if (ok && !FlushFileBuffers(file)) {
        failure = LastError();
        ok = false;
    }
    if (!CloseHandle(file) && ok) {
        failure = LastError();
        ok = false;
    }
    const DWORD before = keep ? GetFileAttributesW(target.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (ok && keep &&
        !ReplaceFileW(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                      nullptr, nullptr)) {
        const DWORD code = GetLastError();
        // No target now: it went since it was looked at, or ReplaceFileW took
        // it away and could not put the new one in its place
        // (ERROR_UNABLE_TO_MOVE_REPLACEMENT_2). The new content is moved
        // there; it is not thrown away with the old gone.
        if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES &&
            GetLastError() == ERROR_FILE_NOT_FOUND) {
            keep = false;
        } else {
            failure = ErrorFromWin32(code);
            ok = false;
        }
    }
    if (ok && keep) KeepAttributes(target, before);
    if (ok && !keep &&
        !MoveFileExW(temp.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        failure = OpenFailure(target);  // a folder in the way is named as one
        ok = false;
    }
    if (!ok) {
        DeleteFileW(temp.c_str());
        if (error) *error = Reason(failure);
    }
    return ok;
}

// The environment variable's folder when it names one (Windows sets it for
// every process; set otherwise, it moves the folder, as XDG_STATE_HOME does
// on Linux), else the folder the known folder id stands for, else "".
std::string KnownFolder(REFKNOWNFOLDERID id, const wchar_t* variable) {
    const wchar_t* value = _wgetenv(variable);
    if (value != nullptr && !PathIsRelativeW(value)) return Utf8(value);
    wchar_t* path = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path))) folder = Utf8(path);
    CoTaskMemFree(path);
    return folder;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

bool AppendToFile(const std::string& path,
                  const std::function<std::string(int lastByte)>& bytesAfter, std::string* error) {
    const std::wstring wide = WidePath(path);
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool readable = true;
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
        // A file we may add to but not read.
        file = CreateFileW(wide.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        readable = false;
    }
    if (file == INVALID_HANDLE_VALUE) {
        if (error) *error = Reason(OpenFailure(wide));
        return false;
    }
    LARGE_INTEGER size{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size)) {
        if (error) *error = "not a regular file";
        CloseHandle(file);
        return false;
    }
    int last = -1;
    if (size.QuadPart > 0) {
        last = '\n';
        unsigned char byte = 0;
        DWORD read = 0;
        OVERLAPPED at{};
        const ULONGLONG offset = static_cast<ULONGLONG>(size.QuadPart) - 1;
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        if (readable && ReadFile(file, &byte, 1, &read, &at) && read == 1) last = byte;
    }
    const std::string bytes = bytesAfter(last);
    int failure = 0;
    LARGE_INTEGER end = size;
    bool ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) != 0;
    if (!ok) failure = LastError();
    ok = ok && WriteAll(file, bytes.data(), bytes.size(), &failure);
    if (ok && !FlushFileBuffers(file)) {
        failure = LastError();
        ok = false;
    }
    if (!ok) {
        // Nothing half-written stays behind what the file held.
        if (!SetFilePointerEx(file, end, nullptr, FILE_BEGIN) || !SetEndOfFile(file))
            failure = failure ? failure : LastError();
    }
    if (!CloseHandle(file) && ok) {
        failure = LastError();
        ok = false;
    }
    if (!ok && error) *error = Reason(failure);
    return ok;
}

bool ReadWholeFile(const std::string& path, std::string* content, bool* missing,
                   std::string* error) {
    if (missing) *missing = false;
    const std::wstring wide = WidePath(path);
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const int failure = OpenFailure(wide);
        if (missing) *missing = failure == ENOENT;
        if (error) *error = Reason(failure);
        return false;
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &n, nullptr)) {
            const int failure = LastError();
            CloseHandle(file);
            if (error) *error = Reason(failure);
            return false;
        }
        if (n == 0) break;
        text.append(buffer, n);
    }
    CloseHandle(file);
    *content = std::move(text);
    return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& content, std::string* error) {
    int failure = 0;
    if (!MakeFolders(FolderOf(path), &failure)) {
        if (error) *error = Reason(failure);
        return false;
    }
    return WriteBeside(WidePath(path), content, false, error);
}

bool ReplaceFileContent(const std::string& path, const std::string& content, std::string* error) {
    std::wstring target = WidePath(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    int failure = 0;
    if (attributes == INVALID_FILE_ATTRIBUTES) failure = LastError();
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        // The file a link leads to is replaced, not the link.
        HANDLE file = OpenToLook(target);
        if (file == INVALID_HANDLE_VALUE) {
            failure = LastError();  // a link that leads nowhere
        } else {
            const std::wstring resolved = FinalPath(file);
            if (!resolved.empty()) target = resolved;
            CloseHandle(file);
        }
    }
    if (failure == 0) {
        const DWORD kind = GetFileAttributesW(target.c_str());
        if (kind == INVALID_FILE_ATTRIBUTES)
            failure = LastError();
        else if (kind & FILE_ATTRIBUTE_DIRECTORY)
            failure = EISDIR;
    }
    if (failure != 0) {
        if (error) *error = Reason(failure);
        return false;
    }
    return WriteBeside(target, content, true, error);
}

struct AppendingFile::Handle {
    HANDLE file = INVALID_HANDLE_VALUE;
};

AppendingFile::AppendingFile() : handle_(std::make_unique<Handle>()) {}

AppendingFile::~AppendingFile() { Close(); }

bool AppendingFile::Open(const std::string& path, std::string* error) {
    Close();
    // Append access alone: every write lands at the end, whoever else
    // writes the file.
    const std::wstring wide = WidePath(path);
    handle_->file = CreateFileW(wide.c_str(), FILE_APPEND_DATA | SYNCHRONIZE, kShareAll, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_->file != INVALID_HANDLE_VALUE) return true;
    if (error) *error = Reason(OpenFailure(wide));
    return false;
}

bool AppendingFile::Append(const char* data, std::size_t size, std::string* error) {
    int failure = EBADF;
    if (handle_->file != INVALID_HANDLE_VALUE && WriteAll(handle_->file, data, size, &failure))
        return true;
    if (error) *error = Reason(failure);
    return false;
}

void AppendingFile::Close() {
    if (handle_->file != INVALID_HANDLE_VALUE) CloseHandle(handle_->file);
    handle_->file = INVALID_HANDLE_VALUE;
}

std::string UserStateFolder() { return KnownFolder(FOLDERID_LocalAppData, L"LOCALAPPDATA"); }

std::string UserSettingsFolder() { return KnownFolder(FOLDERID_RoamingAppData, L"APPDATA"); }

std::string PathInFolder(const std::string& folder, const std::string& name) {
    if (folder.empty() || IsSeparator(folder.back())) return folder + name;
    return folder + "\\" + name;
}
