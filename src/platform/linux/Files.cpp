#include "platform/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/SystemError.h"

namespace {

std::string Reason(int error) { return SystemErrorText(error); }

std::string Folder(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// mkdir -p; true when the folder exists afterwards, else false with errno set.
bool MakeFolders(const std::string& folder) {
    struct stat st {};
    if (stat(folder.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return true;
        errno = ENOTDIR;
        return false;
    }
    const std::string parent = Folder(folder);
    if (parent != folder && !MakeFolders(parent)) return false;
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

// Writes all `size` bytes to `fd`, going on after short writes and
// interruptions. On failure returns false with errno in *error.
bool WriteAll(int fd, const char* data, std::size_t size, int* error) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            *error = errno;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The variable's value when it is set and passes `usable`, else $HOME
// followed by `fallback`.
std::string FolderFromEnvironment(const char* variable, bool (*usable)(const char*),
                                  const char* fallback) {
    const char* value = std::getenv(variable);
    if (value != nullptr && usable(value)) return value;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + fallback;
}

// Writes `content` to a temporary file beside `path`, flushes it to disk and
// renames it over `path`: the old content or the new, never half. With
// `like`, the new file takes that file's permissions, and its owner and
// group when the system allows it (only the superuser may give a file away).
bool WriteBeside(const std::string& path, const std::string& content, const struct stat* like,
                 std::string* error) {
    std::string temp = path + ".XXXXXX";
    const int fd = mkostemp(&temp[0], O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = Reason(errno);
        return false;
    }
    int failure = 0;
    bool ok = true;
    if (like != nullptr) {
        // Only the superuser may give a file away; anyone may keep a group
        // of theirs. A file that ends up ours is no reason to fail.
        const bool owned = fchown(fd, like->st_uid, like->st_gid) == 0 ||
                           fchown(fd, static_cast<uid_t>(-1), like->st_gid) == 0;
        static_cast<void>(owned);
        if (fchmod(fd, like->st_mode & 07777) != 0) {
            failure = errno;
            ok = false;
        }
    }
    ok = ok && WriteAll(fd, content.data(), content.size(), &failure);
    if (ok && fsync(fd) != 0) {
        failure = errno;
        ok = false;
    }
    if (close(fd) != 0 && ok) {
        failure = errno;
        ok = false;
    }
    if (ok && rename(temp.c_str(), path.c_str()) != 0) {
        failure = errno;
        ok = false;
    }
    if (!ok) {
        unlink(temp.c_str());
        if (error) *error = Reason(failure);
    }
    return ok;
}

}  // namespace

bool AppendToFile(const std::string& path,
                  const std::function<std::string(int lastByte)>& bytesAfter, std::string* error) {
    int fd = open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    bool readable = true;
    if (fd < 0 && errno == EACCES) {  // a file we may add to but not read
        fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        readable = false;
    }
    if (fd < 0) {
        if (error) *error = Reason(errno);
        return false;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (error) *error = S_ISDIR(st.st_mode) ? Reason(EISDIR) : "not a regular file";
        close(fd);
        return false;
    }
    int last = -1;
    unsigned char byte = 0;
    if (st.st_size > 0) last = readable && pread(fd, &byte, 1, st.st_size - 1) == 1 ? byte : '\n';
    const std::string bytes = bytesAfter(last);
    int failure = 0;
    bool ok = WriteAll(fd, bytes.data(), bytes.size(), &failure);
    if (ok && fsync(fd) != 0 && errno != EINVAL) {
        failure = errno;
        ok = false;
    }
    if (!ok) {
        // Nothing half-written stays behind what the file held.
        if (ftruncate(fd, st.st_size) != 0) failure = failure ? failure : errno;
    }
    if (close(fd) != 0 && ok) {
        failure = errno;
        ok = false;
    }
    if (!ok && error) *error = Reason(failure);
    return ok;
}

bool ReadWholeFile(const std::string& path, std::string* content, bool* missing,
                   std::string* error) {
    if (missing) *missing = false;
    const auto fail = [error](int e) {
        if (error) *error = Reason(e);
        return false;
    };
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (missing) *missing = errno == ENOENT;
        return fail(errno);
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int failure = errno;
            close(fd);
            return fail(failure);
        }
        if (n == 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    *content = std::move(text);
    return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& content, std::string* error) {
    if (!MakeFolders(Folder(path))) {
        if (error) *error = Reason(errno);
        return false;
    }
    return WriteBeside(path, content, nullptr, error);
}

bool ReplaceFileContent(const std::string& path, const std::string& content, std::string* error) {
    // The file a link leads to is replaced, not the link.
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        if (error) *error = Reason(errno);
        return false;
    }
    const std::string target = resolved;
    std::free(resolved);
    struct stat st {};
    if (stat(target.c_str(), &st) != 0) {
        if (error) *error = Reason(errno);
        return false;
    }
    return WriteBeside(target, content, &st, error);
}

struct AppendingFile::Handle {
    int fd = -1;
};

AppendingFile::AppendingFile() : handle_(std::make_unique<Handle>()) {}

AppendingFile::~AppendingFile() { Close(); }

bool AppendingFile::Open(const std::string& path, std::string* error) {
    Close();
    handle_->fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (handle_->fd >= 0) return true;
    if (error) *error = Reason(errno);
    return false;
}

bool AppendingFile::Append(const char* data, std::size_t size, std::string* error) {
    int failure = EBADF;
    if (handle_->fd >= 0 && WriteAll(handle_->fd, data, size, &failure)) return true;
    if (error) *error = Reason(failure);
    return false;
}

void AppendingFile::Close() {
    if (handle_->fd >= 0) close(handle_->fd);
    handle_->fd = -1;
}

std::string UserStateFolder() {
    return FolderFromEnvironment(
        "XDG_STATE_HOME", [](const char* value) { return value[0] == '/'; }, "/.local/state");
}

std::string UserSettingsFolder() {
    return FolderFromEnvironment(
        "XDG_CONFIG_HOME", [](const char* value) { return value[0] != '\0'; }, "/.config");
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}
