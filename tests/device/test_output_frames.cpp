#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "device/OutputFrames.h"
#include "ini/SectionText.h"

namespace {

// The frames as they stand after start-up and a first send: headers and
// closing braces in place, every display character blank, every output off.
struct Frames {
    char segment[kSegmentFrameSize];
    char led[kLedFrameSize];
    Frames() {
        std::memset(segment, ' ', 133);
        std::memcpy(segment, "{7SG", 4);
        segment[132] = '}';
        segment[133] = '\0';
        std::memset(led, '0', 69);
        std::memcpy(led, "{LED", 4);
        led[68] = '}';
        led[69] = '\0';
    }
    std::string Display() const { return std::string(segment + 4, 128); }
    std::string Outputs() const { return std::string(led + 4, 64); }
};

std::string BlankDisplay() { return std::string(128, ' '); }

OutputTestInput Numeric(const char* device, const char* position, const char* length,
                        const char* text) {
    return {device, position, length, 0, text};
}

OutputTestInput Discrete(const char* position, const char* text) {
    return {"0", position, "0", 1, text};
}

// Display after writing `text` starting at display character `first`.
std::string DisplayWith(int first, const std::string& text) {
    std::string display = BlankDisplay();
    display.replace(first, text.size(), text);
    return display;
}

struct NumericCase {
    const char* name;
    OutputTestInput input;
    std::string display;  // the 128 display characters afterwards
};

class NumericFill : public testing::TestWithParam<NumericCase> {};

TEST_P(NumericFill, WritesExactlyTheExpectedDisplayCharacters) {
    Frames frames;
    const Frames before;
    FillOutputFrames(GetParam().input, frames.segment, frames.led);
    EXPECT_EQ(frames.Display(), GetParam().display);
    EXPECT_EQ(0, std::memcmp(frames.segment, "{7SG", 4)) << "header touched";
    EXPECT_EQ('}', frames.segment[132]) << "closing brace overwritten";
    EXPECT_EQ('\0', frames.segment[133]);
    EXPECT_EQ(0, std::memcmp(frames.led, before.led, kLedFrameSize)) << "LED frame touched";
}

INSTANTIATE_TEST_SUITE_P(
    Examples, NumericFill,
    testing::Values(
        // Unit 0 is the last unit of the frame: characters 120..123.
        NumericCase{"Unit0Position0", Numeric("0", "0", "4", "1234"), DisplayWith(120, "1234")},
        NumericCase{"Unit15Position2ShortText", Numeric("15", "2", "8", "AB"),
                    DisplayWith(2, "AB")},
        NumericCase{"CarryFromUnit1IntoUnit0", Numeric("1", "6", "4", "ABCD"),
                    DisplayWith(8 * 14 + 6, "ABCD")},
        NumericCase{"LengthCutsText", Numeric("3", "0", "3", "12345"), DisplayWith(96, "123")},
        NumericCase{"EightCharacters", Numeric("7", "0", "8", "ABCDEFGH"),
                    DisplayWith(64, "ABCDEFGH")},
        NumericCase{"SignedAndBlankedFields", Numeric(" +2", " 1", "+2", "XY"),
                    DisplayWith(8 * 13 + 1, "XY")},
        // Unit 0, position 6, four characters: only two fit before the end
        // of the display; the others are dropped.
        NumericCase{"Unit0OverflowDropped", Numeric("0", "6", "4", "ABCD"), DisplayWith(126, "AB")},
        NumericCase{"Unit0Position7Overflow", Numeric("0", "7", "8", "ABCDEFGH"),
                    DisplayWith(127, "A")},
        NumericCase{"LengthEmpty", Numeric("0", "0", "", "1234"), BlankDisplay()},
        NumericCase{"LengthZero", Numeric("0", "0", "0", "1234"), BlankDisplay()},
        NumericCase{"LengthNegative", Numeric("0", "0", "-3", "1234"), BlankDisplay()},
        NumericCase{"LengthNotANumber", Numeric("0", "0", "4x", "1234"), BlankDisplay()},
        NumericCase{"TenCharactersLength12", Numeric("0", "0", "12", "0123456789"), BlankDisplay()},
        NumericCase{"TextEmpty", Numeric("0", "0", "4", ""), BlankDisplay()},
        NumericCase{"Device16", Numeric("16", "0", "4", "1234"), BlankDisplay()},
        NumericCase{"DeviceNegative", Numeric("-1", "0", "4", "1234"), BlankDisplay()},
        NumericCase{"Position8", Numeric("0", "8", "4", "1234"), BlankDisplay()},
        NumericCase{"PositionNegative", Numeric("0", "-1", "4", "1234"), BlankDisplay()},
        // Invalid texts count as 0: device 0 and position 0.
        NumericCase{"DeviceTrailingBlankIsZero", Numeric("5 ", "0", "2", "AB"),
                    DisplayWith(120, "AB")},
        NumericCase{"PositionHexIsZero", Numeric("0", "0x1", "2", "AB"), DisplayWith(120, "AB")},
        NumericCase{"DeviceOutOfRangeIsZero", Numeric("4294967296", "1", "2", "AB"),
                    DisplayWith(121, "AB")}),
    [](const testing::TestParamInfo<NumericCase>& info) { return info.param.name; });

struct DiscreteCase {
    const char* name;
    OutputTestInput input;
    int output;  // -1: no output changes
    char state;
};

class DiscreteFill : public testing::TestWithParam<DiscreteCase> {};

TEST_P(DiscreteFill, SetsOnlyTheChosenOutput) {
    const DiscreteCase& c = GetParam();
    for (const char start : {'0', '1'}) {
        Frames frames;
        std::memset(frames.led + 4, start, 64);
        const Frames before = frames;
        FillOutputFrames(c.input, frames.segment, frames.led);
        std::string expected = before.Outputs();
        if (c.output >= 0) expected[c.output] = c.state;
        EXPECT_EQ(frames.Outputs(), expected) << "outputs starting at " << start;
        EXPECT_EQ(0, std::memcmp(frames.led, "{LED", 4));
        EXPECT_EQ('}', frames.led[68]);
        EXPECT_EQ(0, std::memcmp(frames.segment, before.segment, kSegmentFrameSize))
            << "7SG frame touched";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Examples, DiscreteFill,
    testing::Values(DiscreteCase{"OddIsOn", Discrete("5", "3"), 5, '1'},
                    DiscreteCase{"EvenIsOff", Discrete("5", "2"), 5, '0'},
                    DiscreteCase{"ZeroIsOff", Discrete("5", "0"), 5, '0'},
                    DiscreteCase{"LettersAreOff", Discrete("5", "x"), 5, '0'},
                    DiscreteCase{"EmptyIsOff", Discrete("5", ""), 5, '0'},
                    DiscreteCase{"MinusOneIsOn", Discrete("5", "-1"), 5, '1'},
                    DiscreteCase{"LeadingNumberCounts", Discrete("5", " 7abc"), 5, '1'},
                    DiscreteCase{"FirstOutput", Discrete("0", "1"), 0, '1'},
                    DiscreteCase{"LastOutput", Discrete("63", "1"), 63, '1'},
                    DiscreteCase{"HugeNumberDoesNotMisbehave",
                                 Discrete("5", "99999999999999999999999"), 5, '1'},
                    DiscreteCase{"Position64", Discrete("64", "1"), -1, ' '},
                    DiscreteCase{"PositionNegative", Discrete("-1", "1"), -1, ' '},
                    DiscreteCase{"PositionInvalidIsZero", Discrete("3.5", "1"), 0, '1'}),
    [](const testing::TestParamInfo<DiscreteCase>& info) { return info.param.name; });

TEST(OutputFrames, NoIndicationTypeChangesNothing) {
    for (const int type : {-1, 2}) {
        Frames frames;
        const Frames before;
        FillOutputFrames({"0", "0", "4", type, "1234"}, frames.segment, frames.led);
        EXPECT_EQ(0, std::memcmp(frames.segment, before.segment, kSegmentFrameSize));
        EXPECT_EQ(0, std::memcmp(frames.led, before.led, kLedFrameSize));
    }
}

TEST(OutputFrames, MovingThePositionKeepsEarlierCharacters) {
    Frames frames;
    FillOutputFrames(Numeric("0", "0", "4", "1234"), frames.segment, frames.led);
    FillOutputFrames(Numeric("0", "4", "4", "1234"), frames.segment, frames.led);
    EXPECT_EQ(frames.Display(), DisplayWith(120, "12341234"));
}

TEST(OutputFrames, ClearBlanksDisplayAndOutputsButNotHeaders) {
    Frames frames;
    std::memset(frames.segment + 4, 'X', 128);
    std::memset(frames.led + 4, '1', 64);
    ClearOutputFrames(frames.segment, frames.led);
    EXPECT_EQ(frames.Display(), BlankDisplay());
    EXPECT_EQ(frames.Outputs(), std::string(64, '0'));
    EXPECT_EQ(std::string(frames.segment, 4), "{7SG");
    EXPECT_EQ(frames.segment[132], '}');
    EXPECT_EQ(std::string(frames.led, 4), "{LED");
    EXPECT_EQ(frames.led[68], '}');
}

TEST(OutputFrames, ClearThenFillBringsTheValueBack) {
    Frames frames;
    const OutputTestInput input = Numeric("0", "0", "4", "1234");
    FillOutputFrames(input, frames.segment, frames.led);
    ClearOutputFrames(frames.segment, frames.led);
    FillOutputFrames(input, frames.segment, frames.led);
    EXPECT_EQ(frames.Display(), DisplayWith(120, "1234"));
}

// Device, position and length are read by the section composers' whole-text rule.
TEST(OutputTestNumbers, WholeTextOrZero) {
    struct Case {
        const char* text;
        int value;
    };
    const std::vector<Case> cases = {
        {"0", 0},
        {"15", 15},
        {"-1", -1},
        {"+7", 7},
        {" 5", 5},
        {"\t5", 5},
        {"5 ", 0},
        {"", 0},
        {" ", 0},
        {"-", 0},
        {"abc", 0},
        {"12abc", 0},
        {"0x10", 0},
        {"1.5", 0},
        {"007", 7},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", 0},
        {"-2147483649", 0},
        {"99999999999999999999", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadInt(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(ReadInt(std::string("5\0", 2)), 0) << "a NUL after the number";
}

TEST(OutputGrids, CellsFollowUnitsAndOutputs) {
    // Row r of the segment grid shows unit 15 - r, column c position c.
    for (int unit = 0; unit < kUnitCount; ++unit) {
        for (int position = 0; position < kUnitLength; ++position) {
            const GridCell cell = SegmentGridCell(DisplayCharIndex(unit, position));
            EXPECT_EQ(cell.row, 15 - unit);
            EXPECT_EQ(cell.column, position);
        }
    }
    // The cell in row R (label 10 R) and column C shows output 10 R + C.
    for (int i = 0; i < kOutputCount; ++i) {
        const GridCell cell = LedGridCell(i);
        EXPECT_EQ(cell.row * 10 + cell.column, i);
        EXPECT_LT(cell.column, 10);
    }
    EXPECT_EQ(LedGridCell(63).row, 6);
    EXPECT_EQ(LedGridCell(63).column, 3);
}

TEST(OutputGrids, CellTexts) {
    EXPECT_STREQ(LedStateText('1'), "1");
    EXPECT_STREQ(LedStateText('0'), "0");
    EXPECT_STREQ(LedStateText('3'), "1");  // the lowest bit decides
    EXPECT_STREQ(LedStateText(' '), "0");
    EXPECT_EQ(DisplayCharText('A'), "A");
    EXPECT_EQ(DisplayCharText(' '), " ");
    // Every byte shows as one character, whatever the code page.
    for (int b = 1; b < 256; ++b)
        EXPECT_EQ(DisplayCharText(static_cast<char>(b)).length(), 1u) << b;
}

}  // namespace
