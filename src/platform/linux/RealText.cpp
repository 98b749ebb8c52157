#include "platform/RealText.h"

#include <locale.h>

#include <cerrno>
#include <cstdlib>

namespace {

// One "C" locale for the whole run; strtod_l reads it without changing the
// thread's or the program's locale.
locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

}  // namespace

double ReadRealInCLocale(const char* text, const char** end, bool* outOfRange) {
    char* stop = nullptr;
    errno = 0;
    const locale_t c = CLocale();
    const double v = c ? strtod_l(text, &stop, c) : std::strtod(text, &stop);
    *outOfRange = errno == ERANGE;
    *end = stop;
    return v;
}
