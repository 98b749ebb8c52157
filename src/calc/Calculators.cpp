#include "calc/Calculators.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "ini/ReadingNotes.h"
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

void MaskTextToBits(const std::string& text, bool (&bits)[kMaskBits],
                    std::vector<std::string>* notes) {
    NotedReader fields(notes);
    MaskToBits(fields.Unsigned("Mask:", text), bits);
}

namespace {

// Every field that is not a number counts as 0.
double FieldValue(NotedReader& fields, const char* caption, const std::string& text) {
    return fields.Real(caption, text, 0.0);
}

// Whether any of the fields is empty; each empty one is named, not only the
// first, as leading to `outcome`.
struct Field {
    const char* caption;
    const std::string& text;
};
bool AnyEmpty(NotedReader& fields, std::initializer_list<Field> list, const char* outcome) {
    bool any = false;
    for (const Field& field : list) any = fields.Empty(field.caption, field.text, outcome) || any;
    return any;
}

// Captions of the range fields as the window shows them (the fields beside
// the capture buttons are named for the buttons).
const char* const kIndicMax = "IndicMax";
const char* const kIndicMin = "IndicMin";
const char* const kSimMax = "SimMax:";
const char* const kSimMin = "SimMin:";
const char* const kDeviceMax = "DeviceMax";
const char* const kDevCenter = "DevCenter";
const char* const kDeviceMin = "DeviceMin";

// The zero offset of a numeric control is a whole number, cut toward zero.
// The cut is made in double precision, where every finite value has a whole
// number to be cut to (values from 2^52 up already are whole), so no range
// limit applies; a non-finite offset keeps its "inf"/"-inf"/"nan" text.
std::string WholeNumberText(double value) {
    if (!std::isfinite(value)) return FormatExponent(value);
    return FormatExponent(std::trunc(value) + 0.0);  // + 0.0: -0.5 cuts to 0, not -0
}

}  // namespace

std::optional<FactorResult> CalcIndicationFactor(const IndicationRange& range,
                                                 std::vector<std::string>* notes) {
    NotedReader fields(notes);
    if (AnyEmpty(fields,
                 {{kIndicMax, range.indicMax},
                  {kSimMax, range.simMax},
                  {kIndicMin, range.indicMin},
                  {kSimMin, range.simMin}},
                 "nothing calculated"))
        return std::nullopt;
    const double indicMax = FieldValue(fields, kIndicMax, range.indicMax);
    const double simMax = FieldValue(fields, kSimMax, range.simMax);
    const double indicMin = FieldValue(fields, kIndicMin, range.indicMin);
    const double simMin = FieldValue(fields, kSimMin, range.simMin);
    const double factor = (indicMax - indicMin) / (simMax - simMin);
    const double zeroOffset = indicMax - simMax * factor;
    return FactorResult{FormatExponent(factor), FormatExponent(zeroOffset)};
}

FactorResult CalcNumericFactor(const NumericRange& range, std::vector<std::string>* notes) {
    const FactorResult defaults{FormatExponent(1.0), FormatExponent(0.0)};
    NotedReader fields(notes);
    const char* const usedDefaults = "factor 1 and zero offset 0 used";
    if (AnyEmpty(fields,
                 {{kDeviceMax, range.deviceMax},
                  {kSimMax, range.simMax},
                  {kDeviceMin, range.deviceMin},
                  {kSimMin, range.simMin}},
                 usedDefaults))
        return defaults;
    if (range.hasCenter && fields.Empty(kDevCenter, range.devCenter, usedDefaults)) return defaults;
    const double deviceMax = FieldValue(fields, kDeviceMax, range.deviceMax);
    const double deviceMin = FieldValue(fields, kDeviceMin, range.deviceMin);
    if (range.hasCenter && deviceMax == deviceMin) return defaults;
    const double simMax = FieldValue(fields, kSimMax, range.simMax);
    const double simMin = FieldValue(fields, kSimMin, range.simMin);

    const double factor = (simMax - simMin) / (deviceMax - deviceMin);
    const double zeroOffset = range.hasCenter ? FieldValue(fields, kDevCenter, range.devCenter)
                                              : deviceMax - simMax / factor;
    return FactorResult{FormatExponent(factor), WholeNumberText(zeroOffset)};
}
