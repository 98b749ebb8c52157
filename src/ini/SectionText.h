// Rules shared by the section composers: number reading, number formatting,
// the type/size vocabularies and the comment block written from the Remarks
// box. Plain code over byte strings (UTF-8 in practice); no windows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Every line of section text ends with CR LF, comment and rule lines too.
inline constexpr const char* kLineEnd = "\r\n";

// The Remarks box's initial text. A box whose text begins with it is taken
// as "no comment" and writes no comment block.
inline constexpr const char* kInitialRemarks = "Some comment (remove all to omit comments)";

// printf "%e" form with at least three exponent digits, whatever the C
// library does: 1 -> "1.000000e+000", -0.00125 -> "-1.250000e-003". The
// mantissa is correctly rounded to six decimals; a number whose shortest
// decimal form lies exactly halfway (9.9999995) is rounded away from zero,
// the way it reads. Independent of the process locale. Non-finite values are
// spelled "inf", "-inf" and "nan".
std::string FormatExponent(double value);

// Number fields. Each takes the field's whole text: optional leading white
// space, optional sign, digits, and nothing after them (so "12 " is invalid
// while " 12" is 12).
// - signed 32-bit decimal (strtol rules); nullopt when invalid or out of range
std::optional<std::int32_t> ParseInt(const std::string& text);
// - unsigned 32-bit decimal (strtoul rules: a leading minus negates modulo
//   2^32, so "-1" is 4294967295); nullopt when invalid or the magnitude is
//   out of range
std::optional<std::uint32_t> ParseUnsigned(const std::string& text);
// - real (strtod rules in the C locale, whatever the process locale: a point
//   as the decimal separator, exponent and hexadecimal forms); nullopt when
//   invalid, when it overflows or underflows, or when it is not finite
std::optional<double> ParseReal(const std::string& text);

// Why a field's text is not read as a number by one of these rules; the
// field then takes its default.
enum class NumberRule { kInt, kUnsigned, kReal };
enum class Unread {
    kEmpty,
    kNotWhole,    // ParseInt, ParseUnsigned: not a decimal number as a whole
    kNotNumber,   // ParseReal: not a number as a whole (a comma, a trailing blank, inf, nan)
    kOutOfRange,  // a number as a whole, but too large or too small to hold
};
// nullopt when the rule reads the text as it stands.
std::optional<Unread> WhyUnread(NumberRule rule, const std::string& text);

// The same with the composers' defaults.
std::int32_t ReadInt(const std::string& text);              // 0 when invalid
std::uint32_t ReadUnsigned(const std::string& text);        // 0 when invalid
double ReadReal(const std::string& text, double fallback);  // fallback when invalid

// Number of characters (UTF-8 code points) of the longest line; 0 for none.
int MaxLineLength(const std::vector<std::string>& lines);

// `count` copies of `ch` and CR LF (only CR LF for a count of 0 or less).
std::string RuleText(char ch, int count);

// The comment block ahead of a section, one piece per append: a rule of
// W + 3 '#', "# " + line for every line, the rule again (W = MaxLineLength of
// the lines). No pieces when W is 0 or the box's text begins with the
// initial text.
std::vector<std::string> CommentBlock(const std::vector<std::string>& lines,
                                      const std::string& boxText);

// Vocabularies of the choices, by selection index (ANDed with 3, so every
// index, even "no selection", picks an entry).
const char* TypeWord(int typeIndex);  // "int", "uint", "float", "string"
int SizeValue(int sizeIndex);         // 1, 2, 4, 8

// printf-style helpers for the template lines, each ended by CR LF.
std::string SectionLine(const std::string& text);         // text + CR LF
std::string KeyHeader(std::int32_t eventId);              // "[Key%04d]"
std::string ValueLine(const char* key, long long value);  // "key: %d"
