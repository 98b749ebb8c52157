#include "ini/ResultFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "console/SystemError.h"

namespace {

const char* LineEndText(LineEnds ends) { return ends == LineEnds::kCrLf ? "\r\n" : "\n"; }

std::string Reason(int error) { return SystemErrorText(error); }

std::string Folder(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// mkdir -p; true when the folder exists afterwards.
bool MakeFolders(const std::string& folder) {
    struct stat st {};
    if (stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    const std::string parent = Folder(folder);
    if (parent != folder && !MakeFolders(parent)) return false;
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace

std::string WithLineEnds(const std::string& text, LineEnds ends) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += LineEndText(ends);
            ++i;
        } else if (text[i] == '\n') {
            out += LineEndText(ends);
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string TextToAppend(const std::string& text, LineEnds ends, int lastByte) {
    std::string out = WithLineEnds(text, ends);
    if (lastByte >= 0 && lastByte != '\n' && !out.empty()) out.insert(0, LineEndText(ends));
    return out;
}

bool AppendResultToFile(const std::string& path, const std::string& text, LineEnds ends,
                        std::string* error) {
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
    const std::string bytes = TextToAppend(text, ends, last);
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

bool ReadWholeFile(const std::string& path, std::string* content, bool* missing) {
    if (missing) *missing = false;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (missing) *missing = errno == ENOENT;
        return false;
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            return false;
        }
        if (n == 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    *content = std::move(text);
    return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& content, std::string* error) {
    const auto fail = [error](int e) {
        if (error) *error = Reason(e);
        return false;
    };
    if (!MakeFolders(Folder(path))) return fail(errno ? errno : ENOTDIR);
    std::string temp = path + ".XXXXXX";
    const int fd = mkostemp(&temp[0], O_CLOEXEC);
    if (fd < 0) return fail(errno);
    int failure = 0;
    bool ok = WriteAll(fd, content.data(), content.size(), &failure);
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
        return fail(failure);
    }
    return true;
}

std::string KeptStateFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    std::string base;
    if (state != nullptr && state[0] == '/') {
        base = state;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr ? home : "") + "/.local/state";
    }
    return base + "/BrantleConfigHelper";
}
