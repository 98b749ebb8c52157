#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calc/Calculators.h"

namespace {

std::vector<int> SetBits(const bool (&bits)[kMaskBits]) {
    std::vector<int> set;
    for (int i = 0; i < kMaskBits; ++i)
        if (bits[i]) set.push_back(i);
    return set;
}

std::vector<int> AllBits() {
    std::vector<int> all;
    for (int i = 0; i < kMaskBits; ++i) all.push_back(i);
    return all;
}

TEST(MaskFromBits, BoxesGiveTheFieldText) {
    struct Case {
        std::vector<int> checked;
        const char* text;
    };
    const std::vector<Case> cases = {
        {{}, "0"},      {AllBits(), "4294967295"}, {{31}, "2147483648"}, {{0, 2}, "5"}, {{0}, "1"},
        {{10}, "1024"},
    };
    for (const Case& c : cases) {
        bool bits[kMaskBits] = {};
        for (const int i : c.checked) bits[i] = true;
        EXPECT_EQ(MaskText(MaskFromBits(bits)), c.text);
    }
}

TEST(MaskFromBits, InvertedAllSetIsZero) {
    bool bits[kMaskBits];
    for (bool& b : bits) b = true;  // "All set"
    for (bool& b : bits) b = !b;    // "Invert"
    EXPECT_EQ(MaskText(MaskFromBits(bits)), "0");
}

TEST(MaskTextToBits, WholeTextUnsignedOrAllClear) {
    struct Case {
        const char* text;
        std::vector<int> bits;
    };
    const std::vector<Case> cases = {
        {"5", {0, 2}},
        {"4294967295", AllBits()},
        {"4294967296", {}},
        {"-1", AllBits()},  // a leading minus negates modulo 2^32
        {"-4294967295", {0}},
        {"-4294967296", {}},
        {"", {}},
        {"abc", {}},
        {"12abc", {}},
        {"0x10", {}},
        {"5 ", {}},
        {" 5", {0, 2}},
        {"+5", {0, 2}},
        {"- 5", {}},
        {"1.5", {}},
        {"007", {0, 1, 2}},
        {"2147483648", {31}},
        {"99999999999999999999999", {}},
    };
    for (const Case& c : cases) {
        bool bits[kMaskBits];
        for (bool& b : bits) b = true;  // every box is set, checked ones too
        MaskTextToBits(c.text, bits);
        EXPECT_EQ(SetBits(bits), c.bits) << '"' << c.text << '"';
    }
}

TEST(MaskTextToBits, RoundTripWritesPlainForm) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"007", "7"}, {" 5", "5"}, {"+12", "12"}, {"-1", "4294967295"}, {"abc", "0"}};
    for (const auto& [typed, written] : cases) {
        bool bits[kMaskBits];
        MaskTextToBits(typed, bits);
        EXPECT_EQ(MaskText(MaskFromBits(bits)), written) << typed;
    }
    for (const std::uint32_t mask : {0u, 1u, 0x80000000u, 0xDEADBEEFu, 0xFFFFFFFFu}) {
        bool bits[kMaskBits];
        MaskToBits(mask, bits);
        EXPECT_EQ(MaskFromBits(bits), mask);
        EXPECT_EQ(MaskFromText(MaskText(mask)), mask);
    }
}

struct IndicationCase {
    const char* name;
    IndicationRange range;
    std::optional<FactorResult> result;
};

class IndicationFactor : public testing::TestWithParam<IndicationCase> {};

TEST_P(IndicationFactor, Results) {
    std::vector<std::string> notes;  // they change nothing
    const std::optional<FactorResult> result = CalcIndicationFactor(GetParam().range, &notes);
    ASSERT_EQ(result.has_value(), GetParam().result.has_value()) << "change vs no change";
    if (!result) return;
    EXPECT_EQ(result->factor, GetParam().result->factor);
    EXPECT_EQ(result->zeroOffset, GetParam().result->zeroOffset);
}

// Fields: IndicMax, IndicMin, SimMax, SimMin.
INSTANTIATE_TEST_SUITE_P(
    Examples, IndicationFactor,
    testing::Values(
        IndicationCase{
            "Scale10", {"1000", "0", "100", "0"}, FactorResult{"1.000000e+001", "0.000000e+000"}},
        IndicationCase{"SymmetricSim",
                       {"100", "0", "1", "-1"},
                       FactorResult{"5.000000e+001", "5.000000e+001"}},
        IndicationCase{"ReversedRange",
                       {"0", "100", "1", "-1"},
                       FactorResult{"-5.000000e+001", "5.000000e+001"}},
        IndicationCase{"RealsWithExponent",
                       {"2.5e2", "50", "1E1", "0"},
                       FactorResult{"2.000000e+001", "5.000000e+001"}},
        IndicationCase{"SimMinEmpty", {"100", "0", "1", ""}, std::nullopt},
        IndicationCase{"IndicMaxEmpty", {"", "0", "1", "-1"}, std::nullopt},
        IndicationCase{"IndicMinEmpty", {"100", "", "1", "-1"}, std::nullopt},
        IndicationCase{"SimMaxEmpty", {"100", "0", "", "-1"}, std::nullopt},
        IndicationCase{"SimMinNotANumber",
                       {"1000", "0", "100", "abc"},
                       FactorResult{"1.000000e+001", "0.000000e+000"}},
        IndicationCase{"TrailingBlankIsZero",
                       {"1000", "0", "100", "-100 "},
                       FactorResult{"1.000000e+001", "0.000000e+000"}},
        IndicationCase{"CommaIsNotADecimalPoint",
                       {"1,5", "0", "1", "0"},
                       FactorResult{"0.000000e+000", "0.000000e+000"}},
        IndicationCase{"InfinityTextIsZero",
                       {"100", "inf", "1", "0"},
                       FactorResult{"1.000000e+002", "0.000000e+000"}},
        // Collapsed simulator range: the division has no finite result.
        IndicationCase{"CollapsedSimRangeUp", {"100", "0", "5", "5"}, FactorResult{"inf", "-inf"}},
        IndicationCase{
            "CollapsedSimRangeDown", {"0", "100", "5", "5"}, FactorResult{"-inf", "inf"}},
        IndicationCase{
            "CollapsedSimRangeAtZero", {"100", "0", "0", "0"}, FactorResult{"inf", "nan"}},
        IndicationCase{"BothRangesCollapsed", {"7", "7", "5", "5"}, FactorResult{"nan", "nan"}}),
    [](const testing::TestParamInfo<IndicationCase>& info) { return info.param.name; });

struct NumericCase {
    const char* name;
    NumericRange range;
    FactorResult result;
};

class NumericFactor : public testing::TestWithParam<NumericCase> {};

TEST_P(NumericFactor, Results) {
    std::vector<std::string> notes;  // they change nothing
    const FactorResult result = CalcNumericFactor(GetParam().range, &notes);
    EXPECT_EQ(result.factor, GetParam().result.factor);
    EXPECT_EQ(result.zeroOffset, GetParam().result.zeroOffset);
}

const FactorResult kDefaults{"1.000000e+000", "0.000000e+000"};

// Fields: DeviceMax, DevCenter, DeviceMin, SimMax, SimMin, "Has center:".
INSTANTIATE_TEST_SUITE_P(
    Examples, NumericFactor,
    testing::Values(
        NumericCase{
            "NoCentre", {"900", "", "100", "1", "-1", false}, {"2.500000e-003", "5.000000e+002"}},
        NumericCase{"NoCentreCutTowardZero",
                    {"1023", "", "0", "16383", "-16383", false},
                    {"3.202933e+001", "5.110000e+002"}},
        NumericCase{"NoCentreNegativeCutTowardZero",
                    {"-3.7", "", "-4.7", "0", "-1", false},
                    {"1.000000e+000", "-3.000000e+000"}},
        NumericCase{"NoCentreSmallNegativeCutIsZero",
                    {"0.5", "", "-0.5", "0.75", "-0.25", false},
                    {"1.000000e+000", "0.000000e+000"}},
        NumericCase{"NoCentreMinusZeroCutIsZero",
                    {"-0.5", "", "-1.5", "0", "-1", false},
                    {"1.000000e+000", "0.000000e+000"}},
        NumericCase{"NoCentreIgnoresCentreText",
                    {"900", "480", "100", "1", "-1", false},
                    {"2.500000e-003", "5.000000e+002"}},
        NumericCase{
            "Centre", {"900", "480", "100", "1", "-1", true}, {"2.500000e-003", "4.800000e+002"}},
        NumericCase{"CentreCutTowardZero",
                    {"900", "512.7", "100", "1", "-1", true},
                    {"2.500000e-003", "5.120000e+002"}},
        NumericCase{"CentreNegativeCutTowardZero",
                    {"900", "-480.9", "100", "1", "-1", true},
                    {"2.500000e-003", "-4.800000e+002"}},
        NumericCase{"CentreNotANumberIsZero",
                    {"900", "-----", "100", "1", "-1", true},
                    {"2.500000e-003", "0.000000e+000"}},
        NumericCase{"CentreEmpty", {"900", "", "100", "1", "-1", true}, kDefaults},
        NumericCase{
            "CentreWithCollapsedDeviceRange", {"100", "480", "100", "1", "-1", true}, kDefaults},
        NumericCase{"DeviceMaxEmpty", {"", "480", "100", "1", "-1", false}, kDefaults},
        NumericCase{"DeviceMinEmpty", {"900", "480", "", "1", "-1", true}, kDefaults},
        NumericCase{"SimMaxEmpty", {"900", "480", "100", "", "-1", false}, kDefaults},
        NumericCase{"SimMinEmpty", {"900", "480", "100", "1", "", true}, kDefaults},
        NumericCase{"CapturedDashesCountAsZero",
                    {"-----", "", "100", "1", "-1", false},
                    {"-2.000000e-002", "5.000000e+001"}},
        // Collapsed ranges without a centre.
        NumericCase{
            "CollapsedDeviceRange", {"100", "", "100", "1", "-1", false}, {"inf", "1.000000e+002"}},
        NumericCase{
            "CollapsedSimRange", {"900", "", "100", "5", "5", false}, {"0.000000e+000", "-inf"}},
        NumericCase{"CollapsedSimRangeAtZero",
                    {"900", "", "100", "0", "0", false},
                    {"0.000000e+000", "nan"}},
        NumericCase{"CollapsedSimRangeReversedDevice",
                    {"100", "", "900", "5", "5", false},
                    {"-0.000000e+000", "inf"}},
        NumericCase{"BothRangesCollapsed", {"100", "", "100", "5", "5", false}, {"nan", "nan"}},
        // Centre with a collapsed simulator range: the factor is 0 and the
        // offset is the centre.
        NumericCase{"CentreCollapsedSimRange",
                    {"900", "480", "100", "5", "5", true},
                    {"0.000000e+000", "4.800000e+002"}},
        // Offsets far beyond any integer type are still cut, not wrapped.
        NumericCase{"HugeOffsetStaysWhole",
                    {"1e300", "", "0", "0", "-1", false},
                    {"1.000000e-300", "1.000000e+300"}},
        NumericCase{"HugeCentreStaysWhole",
                    {"900", "1e20", "100", "1", "-1", true},
                    {"2.500000e-003", "1.000000e+020"}},
        NumericCase{"OffsetBeyond32Bits",
                    {"5e9", "", "0", "0", "-1", false},
                    {"2.000000e-010", "5.000000e+009"}},
        NumericCase{"OffsetBeyond32BitsNegative",
                    {"-1e10", "", "-2e10", "0", "-1", false},
                    {"1.000000e-010", "-1.000000e+010"}}),
    [](const testing::TestParamInfo<NumericCase>& info) { return info.param.name; });

// ---- notes on the inputs that took their default

TEST(CalculatorNotes, MaskFieldThatGivesNoBits) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"5", {}},
        {"-1", {}},
        {"", {}},  // nothing typed, nothing set
        {"12abc", {"Mask: \"12abc\" is not a whole number: 0 used"}},
        {"4294967296", {"Mask: \"4294967296\" is out of range: 0 used"}},
    };
    for (const auto& [text, expected] : cases) {
        bool bits[kMaskBits];
        std::vector<std::string> notes;
        MaskTextToBits(text, bits, &notes);
        EXPECT_EQ(notes, expected) << '"' << text << '"';
    }
}

const char* const kNothing = "\" is empty: nothing calculated";
const char* const kEmptyDefaults = "\" is empty: factor 1 and zero offset 0 used";

TEST(CalculatorNotes, IndicationNamesEmptyAndUnreadRangeEnds) {
    const std::pair<IndicationRange, std::vector<std::string>> cases[] = {
        {{"1000", "0", "100", "0"}, {}},
        {{"1000", "0", "100", "abc"}, {"SimMin: \"abc\" is not a number: 0 used"}},
        {{"1,5", "0", "1", "0"}, {"IndicMax \"1,5\" is not a number: 0 used"}},
        // Nothing is calculated: only the empty fields count.
        {{"", "abc", "", "-1"},
         {std::string("IndicMax \"") + kNothing, std::string("SimMax: \"") + kNothing}},
        // Row by row, as the window shows them.
        {{"a", "b", "c", "d"},
         {"IndicMax \"a\" is not a number: 0 used", "SimMax: \"c\" is not a number: 0 used",
          "IndicMin \"b\" is not a number: 0 used", "SimMin: \"d\" is not a number: 0 used"}},
    };
    for (const auto& [range, expected] : cases) {
        std::vector<std::string> notes;
        CalcIndicationFactor(range, &notes);
        EXPECT_EQ(notes, expected) << range.indicMax << '/' << range.indicMin << '/' << range.simMax
                                   << '/' << range.simMin;
    }
}

// Fields: DeviceMax, DevCenter, DeviceMin, SimMax, SimMin, "Has center:".
TEST(CalculatorNotes, NumericNamesOnlyTheFieldsTheOutcomeDependsOn) {
    const std::pair<NumericRange, std::vector<std::string>> cases[] = {
        {{"900", "abc", "100", "1", "-1", false}, {}},  // no centre, none read
        {{"-----", "", "100", "1", "-1", false}, {"DeviceMax \"-----\" is not a number: 0 used"}},
        {{"900", "abc", "100", "1", "-1", true}, {"DevCenter \"abc\" is not a number: 0 used"}},
        {{"abc", "", "100", "1", "-1", true}, {std::string("DevCenter \"") + kEmptyDefaults}},
        {{"900", "", "100", "abc", "", false}, {std::string("SimMin: \"") + kEmptyDefaults}},
        // Both device ends count as 0: the range collapses before SimMax is read.
        {{"abc", "480", "x", "1,5", "-1", true},
         {"DeviceMax \"abc\" is not a number: 0 used", "DeviceMin \"x\" is not a number: 0 used"}},
        {{"", "", "", "", "", true},
         {std::string("DeviceMax \"") + kEmptyDefaults, std::string("SimMax: \"") + kEmptyDefaults,
          std::string("DeviceMin \"") + kEmptyDefaults,
          std::string("SimMin: \"") + kEmptyDefaults}},
    };
    for (const auto& [range, expected] : cases) {
        std::vector<std::string> notes;
        CalcNumericFactor(range, &notes);
        EXPECT_EQ(notes, expected)
            << range.deviceMax << '/' << range.devCenter << '/' << range.deviceMin << '/'
            << range.simMax << '/' << range.simMin << '/' << range.hasCenter;
    }
}

}  // namespace
