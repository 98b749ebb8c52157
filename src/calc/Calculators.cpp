#include "calc/Calculators.h"

#include <cmath>
#include <cstdio>

#include "ini/SectionText.h"

std::uint32_t MaskFromBits(const bool (&bits)[kMaskBits]) {
    std::uint32_t mask = 0;
    for (int i = 0; i < kMaskBits; ++i)
        if (bits[i]) mask |= std::uint32_t{1} << i;
    return mask;
}

void MaskToBits(std::uint32_t mask, bool (&bits)[kMaskBits]) {
    for (int i = 0; i < kMaskBits; ++i) bits[i] = (mask >> i) & 1u;
}

std::string MaskText(std::uint32_t mask) {
    char text[16];
    std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(mask));
    return text;
}

std::uint32_t MaskFromText(const std::string& text) { return ReadUnsigned(text); }

void MaskTextToBits(const std::string& text, bool (&bits)[kMaskBits]) {
    MaskToBits(MaskFromText(text), bits);
}

namespace {

// Every field that is not a number counts as 0.
double FieldValue(const std::string& text) { return ReadReal(text, 0.0); }

// The zero offset of a numeric control is a whole number, cut toward zero.
// The cut is made in double precision, where every finite value has a whole
// number to be cut to (values from 2^52 up already are whole), so no range
// limit applies; a non-finite offset keeps its "inf"/"-inf"/"nan" text.
std::string WholeNumberText(double value) {
    if (!std::isfinite(value)) return FormatExponent(value);
    return FormatExponent(std::trunc(value) + 0.0);  // + 0.0: -0.5 cuts to 0, not -0
}

}  // namespace

std::optional<FactorResult> CalcIndicationFactor(const IndicationRange& range) {
    if (range.indicMax.empty() || range.indicMin.empty() || range.simMax.empty() ||
        range.simMin.empty())
        return std::nullopt;
    const double indicMax = FieldValue(range.indicMax);
    const double indicMin = FieldValue(range.indicMin);
    const double simMax = FieldValue(range.simMax);
    const double simMin = FieldValue(range.simMin);
    const double factor = (indicMax - indicMin) / (simMax - simMin);
    const double zeroOffset = indicMax - simMax * factor;
    return FactorResult{FormatExponent(factor), FormatExponent(zeroOffset)};
}

FactorResult CalcNumericFactor(const NumericRange& range) {
    const FactorResult defaults{FormatExponent(1.0), FormatExponent(0.0)};
    if (range.deviceMax.empty() || range.deviceMin.empty() || range.simMax.empty() ||
        range.simMin.empty())
        return defaults;
    const double deviceMax = FieldValue(range.deviceMax);
    const double deviceMin = FieldValue(range.deviceMin);
    const double simMax = FieldValue(range.simMax);
    const double simMin = FieldValue(range.simMin);
    if (range.hasCenter && (range.devCenter.empty() || deviceMax == deviceMin)) return defaults;

    const double factor = (simMax - simMin) / (deviceMax - deviceMin);
    const double zeroOffset =
        range.hasCenter ? FieldValue(range.devCenter) : deviceMax - simMax / factor;
    return FactorResult{FormatExponent(factor), WholeNumberText(zeroOffset)};
}
