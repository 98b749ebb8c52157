#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ini/ReadingNotes.h"

namespace {

using std::string;

const FieldRule kWhole{NumberRule::kInt, 0.0};
const FieldRule kId{NumberRule::kInt, 0.0, "0 used"};
const FieldRule kUnsignedMask{NumberRule::kUnsigned, 0.0};
const FieldRule kFactor{NumberRule::kReal, 1.0};
const FieldRule kRange{NumberRule::kReal, 0.0, "nothing calculated"};

struct NoteCase {
    const char* caption;
    string text;
    FieldRule rule;
    const char* note;  // nullptr: none
};

TEST(FieldNote, NamesTheFieldItsTextWhyAndTheValueUsed) {
    const NoteCase cases[] = {
        // whole numbers
        {"EvID(decimal)", "12 ", kId, "EvID(decimal) \"12 \" is not a whole number: 0 used"},
        {"EvID(decimal)", "12abc", kId, "EvID(decimal) \"12abc\" is not a whole number: 0 used"},
        {"EvID(decimal)", "0x10", kId, "EvID(decimal) \"0x10\" is not a whole number: 0 used"},
        {"EvID(decimal)", "1.5", kId, "EvID(decimal) \"1.5\" is not a whole number: 0 used"},
        {"EvID(decimal)", " ", kId, "EvID(decimal) \" \" is not a whole number: 0 used"},
        {"EvID(decimal)", "-", kId, "EvID(decimal) \"-\" is not a whole number: 0 used"},
        {"EvID(decimal)", "2147483648", kId,
         "EvID(decimal) \"2147483648\" is out of range: 0 used"},
        {"EvID(decimal)", "-2147483649", kId,
         "EvID(decimal) \"-2147483649\" is out of range: 0 used"},
        {"EvID(decimal)", " -99999999999", kId,
         "EvID(decimal) \" -99999999999\" is out of range: 0 used"},
        {"EvID(decimal)", "99999999999x", kId,
         "EvID(decimal) \"99999999999x\" is not a whole number: 0 used"},
        {"EvID(decimal)", "", kId, "EvID(decimal) \"\" is empty: 0 used"},
        {"EvID(decimal)", " 12", kId, nullptr},
        {"EvID(decimal)", "-2147483648", kId, nullptr},
        {"0:", "", kWhole, nullptr},  // left empty on purpose: 0
        {"0:", "abc", kWhole, "0: \"abc\" is not a whole number: 0 used"},
        {"0:", "+7", kWhole, nullptr},
        // the unsigned mask: a minus is read, not refused
        {"Mask:", "-1", kUnsignedMask, nullptr},
        {"Mask:", "4294967295", kUnsignedMask, nullptr},
        {"Mask:", "4294967296", kUnsignedMask, "Mask: \"4294967296\" is out of range: 0 used"},
        {"Mask:", "-4294967296", kUnsignedMask, "Mask: \"-4294967296\" is out of range: 0 used"},
        {"Mask:", "5 ", kUnsignedMask, "Mask: \"5 \" is not a whole number: 0 used"},
        {"Mask:", "", kUnsignedMask, nullptr},
        // reals, in the C locale whatever the desktop's
        {"factor", "1,5", kFactor, "factor \"1,5\" is not a number: 1 used"},
        {"factor", "2 ", kFactor, "factor \"2 \" is not a number: 1 used"},
        {"factor", "inf", kFactor, "factor \"inf\" is not a number: 1 used"},
        {"factor", "nan", kFactor, "factor \"nan\" is not a number: 1 used"},
        {"factor", "1e999", kFactor, "factor \"1e999\" is out of range: 1 used"},
        {"factor", "-1e999", kFactor, "factor \"-1e999\" is out of range: 1 used"},
        {"factor", "1e-400", kFactor, "factor \"1e-400\" is out of range: 1 used"},
        {"factor", "1e999x", kFactor, "factor \"1e999x\" is not a number: 1 used"},
        {"factor", "0x10", kFactor, nullptr},
        {"factor", "-2.5e-3", kFactor, nullptr},
        {"factor", "", kFactor, nullptr},
        {"Zero Offset:",
         "abc",
         {NumberRule::kReal, 0.0},
         "Zero Offset: \"abc\" is not a number: 0 used"},
        // a calculator's input: an empty one stops it
        {"SimMin:", "", kRange, "SimMin: \"\" is empty: nothing calculated"},
        {"SimMin:", "-----", kRange, "SimMin: \"-----\" is not a number: 0 used"},
        {"SimMin:", "-1", kRange, nullptr},
        // long texts are quoted by their first 20 characters, UTF-8 kept whole
        {"Max:", string(21, '7'), kWhole,
         "Max: \"77777777777777777777\xe2\x80\xa6\" is out of range: 0 used"},
        {"Max:", string(20, 'x'), kWhole,
         "Max: \"xxxxxxxxxxxxxxxxxxxx\" is not a whole number: 0 used"},
        {"Max:",
         "\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4"
         "\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4"
         "\xc3\xa4",
         kWhole,
         "Max: \"\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4"
         "\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4"
         "\xe2\x80\xa6\" is not a whole number: 0 used"},
    };
    for (const auto& c : cases) {
        const std::optional<string> note = FieldNote(c.caption, c.text, c.rule);
        if (c.note == nullptr)
            EXPECT_EQ(note, std::nullopt) << c.caption << " \"" << c.text << '"';
        else
            EXPECT_EQ(note, std::optional<string>(c.note)) << c.caption << " \"" << c.text << '"';
    }
}

TEST(JoinNotes, PutsASemicolonBetweenNotes) {
    EXPECT_EQ(JoinNotes({}), "");
    EXPECT_EQ(JoinNotes({"a"}), "a");
    EXPECT_EQ(JoinNotes({"a", "b", "c"}), "a; b; c");
}

// The reader gives what the rules give, noting on the way; without a list it
// only reads.
TEST(NotedReader, ReadsAsTheRulesAndNotesInOrder) {
    std::vector<string> notes;
    NotedReader read(&notes);
    EXPECT_EQ(read.Int("1:", "12 "), 0);
    EXPECT_EQ(read.Int("Min:", " 7"), 7);
    EXPECT_EQ(read.Unsigned("Mask:", "-1"), 4294967295u);
    EXPECT_EQ(read.Real("factor", "1,5", 1.0), 1.0);
    EXPECT_EQ(read.Real("factor", "0.25", 1.0), 0.25);
    EXPECT_FALSE(read.Empty("SimMax:", "1", "nothing calculated"));
    EXPECT_TRUE(read.Empty("SimMin:", "", "nothing calculated"));
    EXPECT_EQ(notes, (std::vector<string>{"1: \"12 \" is not a whole number: 0 used",
                                          "factor \"1,5\" is not a number: 1 used",
                                          "SimMin: \"\" is empty: nothing calculated"}));
    NotedReader quiet(nullptr);
    EXPECT_EQ(quiet.Int("EvID(decimal)", "", "0 used"), 0);
    EXPECT_TRUE(quiet.Empty("SimMin:", "", "nothing calculated"));
}

}  // namespace
