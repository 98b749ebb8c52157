#include "platform/RealText.h"

#include <locale.h>

#include <cerrno>
#include <cstdlib>

namespace {

// One "C" locale for the whole run; _strtod_l reads it without changing the
// thread's or the program's locale.
_locale_t CLocale() {
    static const _locale_t c = _create_locale(LC_ALL, "C");
    return c;
}

}  // namespace

double ReadRealInCLocale(const char* text, const char** end, bool* outOfRange) {
    char* stop = nullptr;
    errno = 0;
    const _locale_t c = CLocale();
    const double v = c != nullptr ? _strtod_l(text, &stop, c) : std::strtod(text, &stop);
    *outOfRange = errno == ERANGE;
    *end = stop;
    return v;
}
