#include "ini/SectionText.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/RealText.h"

namespace {

// The C library's white space in the C locale, as strtol/strtod skip it.
bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Leading white space, optional sign, at least one digit, nothing after the
// digits; nullopt for any other text. `tooBig` tells whether the magnitude
// exceeds `limit` (the digits are still all read: what follows them decides
// whether the text is a number at all).
struct Decimal {
    bool negative;
    std::uint64_t magnitude;
    bool tooBig;
};
std::optional<Decimal> ScanDecimal(const std::string& text, std::uint64_t limit) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::size_t first = i;
    std::uint64_t magnitude = 0;
    bool tooBig = false;
    for (; i < n && IsDigit(text[i]); ++i) {
        if (tooBig) continue;  // keep scanning: trailing text still decides validity
        magnitude = magnitude * 10 + static_cast<unsigned>(text[i] - '0');
        tooBig = magnitude > limit;
    }
    if (i == first || i != n) return std::nullopt;
    return Decimal{negative, magnitude, tooBig};
}

// A signed 32-bit value reaches 2^31 below zero but only 2^31 - 1 above.
std::optional<Decimal> ScanInt(const std::string& text) {
    std::optional<Decimal> d = ScanDecimal(text, std::uint64_t{1} << 31);
    if (d && !d->negative && d->magnitude > static_cast<std::uint64_t>(INT32_MAX)) d->tooBig = true;
    return d;
}

// Why a decimal field is not read: no decimal number at all, or one too big.
std::optional<Unread> WhyDecimalUnread(const std::string& text,
                                       const std::optional<Decimal>& scanned) {
    if (text.empty()) return Unread::kEmpty;
    if (!scanned) return Unread::kNotWhole;
    if (scanned->tooBig) return Unread::kOutOfRange;
    return std::nullopt;
}

struct Real {
    double value;
    std::optional<Unread> unread;
};
Real ScanReal(const std::string& text) {
    if (text.empty()) return {0.0, Unread::kEmpty};
    const char* start = text.c_str();
    const char* end = nullptr;
    bool outOfRange = false;
    const double v = ReadRealInCLocale(start, &end, &outOfRange);
    if (end == start || end != start + text.size()) return {v, Unread::kNotNumber};
    if (outOfRange) return {v, Unread::kOutOfRange};
    // "inf" and "nan" read whole, yet are no number a section can carry.
    if (!std::isfinite(v)) return {v, Unread::kNotNumber};
    return {v, std::nullopt};
}

// "e+05" style exponent as printf would give it, with at least three digits.
std::string ExponentText(int exponent) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "e%c%03d", exponent < 0 ? '-' : '+',
                  exponent < 0 ? -exponent : exponent);
    return buf;
}

// Splits to_chars' scientific output ("-9.9999995e+00") into sign, the
// mantissa digits without the point, and the exponent.
struct Scientific {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};
Scientific Split(const char* first, const char* last) {
    Scientific s;
    const char* p = first;
    if (p < last && *p == '-') {
        s.negative = true;
        ++p;
    }
    for (; p < last && *p != 'e'; ++p)
        if (*p != '.') s.digits += *p;
    if (p < last) std::from_chars(*(p + 1) == '+' ? p + 2 : p + 1, last, s.exponent);
    return s;
}

}  // namespace

std::string FormatExponent(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";

    char buf[64];
    // The shortest form that reads back as the same double: what the user
    // typed, for typed numbers.
    auto shortest = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    Scientific s = Split(buf, shortest.ptr);
    if (s.digits.size() == 8 && s.digits.back() == '5') {
        // Exactly halfway between two six-decimal mantissas as written:
        // round away from zero, carrying into the exponent if need be.
        s.digits.pop_back();
        int i = 6;
        for (; i >= 0 && s.digits[i] == '9'; --i) s.digits[i] = '0';
        if (i >= 0) {
            ++s.digits[i];
        } else {
            s.digits.insert(s.digits.begin(), '1');
            s.digits.pop_back();
            ++s.exponent;
        }
    } else {
        auto rounded =
            std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 6);
        s = Split(buf, rounded.ptr);
    }
    std::string text = s.negative ? "-" : "";
    text += s.digits[0];
    text += '.';
    text.append(s.digits, 1, std::string::npos);
    return text + ExponentText(s.exponent);
}

std::optional<std::int32_t> ParseInt(const std::string& text) {
    const auto d = ScanInt(text);
    if (!d || d->tooBig) return std::nullopt;
    const std::int64_t v = d->negative ? -static_cast<std::int64_t>(d->magnitude)
                                       : static_cast<std::int64_t>(d->magnitude);
    return static_cast<std::int32_t>(v);
}

std::optional<std::uint32_t> ParseUnsigned(const std::string& text) {
    const auto d = ScanDecimal(text, UINT32_MAX);
    if (!d || d->tooBig) return std::nullopt;
    const auto v = static_cast<std::uint32_t>(d->magnitude);
    return d->negative ? static_cast<std::uint32_t>(0u - v) : v;
}

std::optional<double> ParseReal(const std::string& text) {
    const Real r = ScanReal(text);
    if (r.unread) return std::nullopt;
    return r.value;
}

std::optional<Unread> WhyUnread(NumberRule rule, const std::string& text) {
    switch (rule) {
        case NumberRule::kInt:
            return WhyDecimalUnread(text, ScanInt(text));
        case NumberRule::kUnsigned:
            return WhyDecimalUnread(text, ScanDecimal(text, UINT32_MAX));
        case NumberRule::kReal:
            return ScanReal(text).unread;
    }
    return std::nullopt;
}

std::int32_t ReadInt(const std::string& text) { return ParseInt(text).value_or(0); }

std::uint32_t ReadUnsigned(const std::string& text) { return ParseUnsigned(text).value_or(0u); }

double ReadReal(const std::string& text, double fallback) {
    return ParseReal(text).value_or(fallback);
}

int MaxLineLength(const std::vector<std::string>& lines) {
    std::size_t longest = 0;
    for (const std::string& line : lines) {
        std::size_t chars = 0;
        for (const char c : line)
            if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++chars;  // not a continuation byte
        if (chars > longest) longest = chars;
    }
    // Leaves room for the "+ 3" of the rule.
    return longest > INT_MAX - 3 ? INT_MAX - 3 : static_cast<int>(longest);
}

std::string RuleText(char ch, int count) {
    return std::string(count > 0 ? static_cast<std::size_t>(count) : 0u, ch) + kLineEnd;
}

std::vector<std::string> CommentBlock(const std::vector<std::string>& lines,
                                      const std::string& boxText) {
    const int width = MaxLineLength(lines);
    if (width <= 0 || boxText.compare(0, std::strlen(kInitialRemarks), kInitialRemarks) == 0)
        return {};
    std::vector<std::string> pieces;
    pieces.reserve(lines.size() + 2);
    pieces.push_back(RuleText('#', width + 3));
    for (const std::string& line : lines) pieces.push_back("# " + line + kLineEnd);
    pieces.push_back(RuleText('#', width + 3));
    return pieces;
}

const char* TypeWord(int typeIndex) {
    static const char* const words[] = {"int", "uint", "float", "string"};
    return words[typeIndex & 3];
}

int SizeValue(int sizeIndex) {
    static const int sizes[] = {1, 2, 4, 8};
    return sizes[sizeIndex & 3];
}

std::string SectionLine(const std::string& text) { return text + kLineEnd; }

std::string KeyHeader(std::int32_t eventId) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "[Key%04d]", static_cast<int>(eventId));
    return SectionLine(buf);
}

std::string ValueLine(const char* key, long long value) {
    char buf[48];
    std::snprintf(buf, sizeof buf, ": %lld", value);
    return SectionLine(key + std::string(buf));
}
