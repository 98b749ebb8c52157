// The mask and factor calculators over arbitrary field texts: no undefined
// behaviour whatever the ranges (collapsed, huge, not numbers), every result
// is an exponent form or "inf", "-inf", "nan", the numeric zero offset is a
// whole number, and a mask's text reads back as the same mask.
//
// Input: byte 0 the "Has center:" box (lowest bit), then five field texts
// separated by NUL bytes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "calc/Calculators.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

std::string NextField(const std::uint8_t*& data, const std::uint8_t* end) {
    const std::uint8_t* stop = static_cast<const std::uint8_t*>(std::memchr(data, 0, end - data));
    if (!stop) stop = end;
    std::string field(reinterpret_cast<const char*>(data), stop - data);
    data = stop == end ? end : stop + 1;
    return field;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "-d.dddddde+ddd" (at least three exponent digits), or a non-finite word.
bool IsResultText(const std::string& text) {
    if (text == "inf" || text == "-inf" || text == "nan") return true;
    if (text.empty()) return false;
    std::size_t i = text[0] == '-' ? 1 : 0;
    if (text.size() < i + 13 || !IsDigit(text[i]) || text[i + 1] != '.') return false;
    for (std::size_t k = i + 2; k < i + 8; ++k)
        if (!IsDigit(text[k])) return false;
    if (text[i + 8] != 'e' || (text[i + 9] != '+' && text[i + 9] != '-')) return false;
    for (std::size_t k = i + 10; k < text.size(); ++k)
        if (!IsDigit(text[k])) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t* end = data + size;
    const bool hasCenter = data[0] & 1;
    ++data;
    std::string fields[5];
    for (std::string& field : fields) field = NextField(data, end);

    const NumericRange numericRange{fields[0], fields[1], fields[2],
                                    fields[3], fields[4], hasCenter};
    const FactorResult numeric = CalcNumericFactor(numericRange);
    Check(IsResultText(numeric.factor) && IsResultText(numeric.zeroOffset));
    const double offset = std::strtod(numeric.zeroOffset.c_str(), nullptr);
    Check(!std::isfinite(offset) || std::trunc(offset) == offset);

    const auto indication = CalcIndicationFactor({fields[0], fields[1], fields[2], fields[3]});
    Check(indication.has_value() ==
          !(fields[0].empty() || fields[1].empty() || fields[2].empty() || fields[3].empty()));
    if (indication) Check(IsResultText(indication->factor) && IsResultText(indication->zeroOffset));

    const std::uint32_t mask = MaskFromText(fields[0]);
    bool bits[kMaskBits];
    MaskTextToBits(fields[0], bits);
    Check(MaskFromBits(bits) == mask);
    Check(MaskFromText(MaskText(mask)) == mask);
    return 0;
}
