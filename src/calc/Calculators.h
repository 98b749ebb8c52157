// The mask calculator of the DiscrCtrls page and the factor and zero-offset
// calculators of the Indication and NumCtrls pages, as plain functions over
// the fields' texts. The window's handlers only read the fields, call these
// and write the results.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

constexpr int kMaskBits = 32;

// Bit i of the mask is set exactly when bits[i] is.
std::uint32_t MaskFromBits(const bool (&bits)[kMaskBits]);
void MaskToBits(std::uint32_t mask, bool (&bits)[kMaskBits]);

// The "Mask:" field's text for a mask: plain unsigned decimal ("%u").
std::string MaskText(std::uint32_t mask);

// The mask a "Mask:" text stands for: the whole text must be an unsigned
// decimal number of 32 bits (leading blanks and a sign accepted, a leading
// minus negating modulo 2^32); any other text is the mask 0.
std::uint32_t MaskFromText(const std::string& text);
// `notes`, when given, gains a note (ini/ReadingNotes.h) when a text that is
// not empty gives the mask 0 that way.
void MaskTextToBits(const std::string& text, bool (&bits)[kMaskBits],
                    std::vector<std::string>* notes = nullptr);

// Texts for the factor and zero-offset fields, in exponent form
// (1.000000e+000). Where a range collapses and a result is not a finite
// number, its text is "inf", "-inf" or "nan".
struct FactorResult {
    std::string factor;
    std::string zeroOffset;
};

// The Indication page's range fields.
struct IndicationRange {
    std::string indicMax;
    std::string indicMin;
    std::string simMax;
    std::string simMin;
};

// Factor and zero offset that map SimMax to IndicMax and SimMin to IndicMin;
// nothing (the fields keep their texts) while any of the four is empty.
// Fields that are not numbers count as 0. `notes`, when given, gains a note
// (ini/ReadingNotes.h) for each field that is empty or counted as 0 that
// way, row by row as the window shows them, and only for fields that the
// outcome depends on.
std::optional<FactorResult> CalcIndicationFactor(const IndicationRange& range,
                                                 std::vector<std::string>* notes = nullptr);

// The NumCtrls page's range fields and its "Has center:" box.
struct NumericRange {
    std::string deviceMax;
    std::string devCenter;
    std::string deviceMin;
    std::string simMax;
    std::string simMin;
    bool hasCenter;
};

// Factor and whole-number zero offset of a numeric control; 1 and 0 when a
// range end (or, with a centre, the centre) is empty or, with a centre, the
// device range is empty. Fields that are not numbers count as 0. `notes` as
// for CalcIndicationFactor.
FactorResult CalcNumericFactor(const NumericRange& range,
                               std::vector<std::string>* notes = nullptr);
