#include "platform/RealText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

// The C runtime's _strtod_l reads no hexadecimal numbers, so the standard
// library's own reader, which knows no locale at all, reads the number here
// the way C's strtod does: white space, a sign, "0x" for hexadecimal, then
// what from_chars takes (digits, a point, an exponent, "inf", "nan").
namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsHexDigit(char c) { return std::strchr("0123456789abcdefABCDEF", c) != nullptr && c != 0; }

}  // namespace

double ReadRealInCLocale(const char* text, const char** end, bool* outOfRange) {
    *end = text;
    *outOfRange = false;
    const char* p = text;
    while (IsSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    const char* last = p + std::strlen(p);
    std::chars_format format = std::chars_format::general;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
        (IsHexDigit(p[2]) || (p[2] == '.' && IsHexDigit(p[3])))) {
        p += 2;
        format = std::chars_format::hex;
    }
    double value = 0.0;
    const std::from_chars_result read = std::from_chars(p, last, value, format);
    if (read.ec == std::errc::invalid_argument) {
        // "0x" with nothing after it: strtod reads the "0".
        if (format == std::chars_format::hex) *end = p - 1;
        return 0.0;
    }
    *end = read.ptr;
    if (read.ec == std::errc::result_out_of_range) {
        *outOfRange = true;
        // Too large gives HUGE_VAL, too small 0, as strtod does. The
        // exponent's sign tells which.
        const char* exponent = std::find_if(p, read.ptr, [&](char c) {
            return format == std::chars_format::hex ? (c == 'p' || c == 'P')
                                                    : (c == 'e' || c == 'E');
        });
        value = (exponent != read.ptr && exponent[1] == '-') ? 0.0 : HUGE_VAL;
    }
    return negative ? -value : value;
}
