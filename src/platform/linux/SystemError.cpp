#include "platform/SystemError.h"

#include <locale.h>
#include <string.h>

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

SystemAdvice ThisSystemsAdvice() { return SystemAdvice::Linux; }
