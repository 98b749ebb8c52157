#include "console/SystemError.h"

#include <locale.h>
#include <string.h>
#include <unistd.h>

#include <cerrno>

namespace {

// One "C" locale for the whole run; strerror_l reads it without changing the
// thread's or the program's locale.
locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c;
}

}  // namespace

std::string SystemErrorText(int error) {
    const locale_t c = CLocale();
    if (c != static_cast<locale_t>(0)) {
        // strerror_l gives a text that stays valid until the next call in
        // this thread; it is copied at once.
        const char* text = strerror_l(error, c);
        if (text != nullptr) return text;
    }
    char buffer[128];
    // The GNU strerror_r: returns the text, which may or may not be buffer.
    return strerror_r(error, buffer, sizeof buffer);
}

std::string SystemErrorName(int error) {
    const char* name = strerrorname_np(error);
    return name != nullptr ? name : "";
}

std::string SystemErrorWithName(int error) {
    const std::string name = SystemErrorName(error);
    return name.empty() ? SystemErrorText(error) : SystemErrorText(error) + " (" + name + ")";
}

std::string FailureText::Line() const { return hint.empty() ? summary : summary + " " + hint; }

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
