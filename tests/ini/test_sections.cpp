#include <gtest/gtest.h>

#include <functional>

#include "ini/SectionText.h"
#include "ini/Sections.h"

namespace {

// The pieces as one text: what the result box gains from them.
std::string JoinPieces(const std::vector<std::string>& pieces) {
    std::string text;
    for (const std::string& piece : pieces) text += piece;
    return text;
}

using std::string;

const Remarks kInitialBox{{kInitialRemarks}, kInitialRemarks};
const Remarks kEmptyBox{{""}, ""};

bool EndsWithLineEnd(const string& piece) {
    return piece.size() >= 2 && piece.compare(piece.size() - 2, 2, "\r\n") == 0;
}

// Every piece is whole lines, and the last one is the section's empty line.
void ExpectWellFormed(const std::vector<string>& pieces) {
    ASSERT_FALSE(pieces.empty());
    for (const string& piece : pieces) EXPECT_TRUE(EndsWithLineEnd(piece)) << piece;
    EXPECT_EQ(pieces.back(), "\r\n");
}

// ---- discrete control sections

DiscreteSectionInput Spdt() {
    DiscreteSectionInput in;
    in.remarks = kInitialBox;
    in.eventIdText = "17";
    in.controlType = 1;
    in.offsetText = "66C0";
    in.sizeIndex = 0;
    in.typeIndex = 0;
    in.value0Text = "0";
    in.value1Text = "1";
    return in;
}

TEST(DiscreteSection, SpdtExample) {
    const auto pieces = ComposeDiscreteSection(Spdt());
    ExpectWellFormed(pieces);
    EXPECT_EQ(JoinPieces(pieces),
              "[Key0017]\r\nmode: discrete_event\r\noffset: 66C0\r\nsize:1\r\ntype: int\r\n"
              "0: 0\r\n1: 1\r\n\r\n");
}

struct DiscreteCase {
    const char* what;
    int controlType;
    int cycling;
    const char* text;
};

TEST(DiscreteSection, TemplateOfEachControlType) {
    const DiscreteCase cases[] = {
        {"SPDT", 1, 0,
         "[Key0042]\r\nmode: discrete_event\r\noffset: 0BC0\r\nsize:4\r\ntype: uint\r\n"
         "0: -7\r\n1: 9\r\n\r\n"},
        {"cyclic SPST, loop", 2, 0,
         "[Key0042]\r\nmode: discrete_loop_event\r\noffset: 0BC0\r\nsize: 4\r\ntype: uint\r\n"
         "min: 1\r\nmax: 360\r\nincrement: 5\r\n\r\n"},
        {"cyclic SPST, limits", 2, 1,
         "[Key0042]\r\nmode: discrete_limit_event\r\noffset: 0BC0\r\nsize: 4\r\ntype: uint\r\n"
         "min: 1\r\nmax: 360\r\nincrement: 5\r\n\r\n"},
        {"SPST", 3, 0,
         "[Key0042]\r\nmode: discrete_event\r\noffset: 0BC0\r\nsize: 4\r\ntype: uint\r\n"
         "1: 9\r\n\r\n"},
        {"encoder, loop", 4, 0,
         "[Key0042]\r\nmode: discrete_loop_event\r\noffset: 0BC0\r\nsize: 4\r\ntype: uint\r\n"
         "min: 1\r\nmax: 360\r\nincrement: 5\r\n\r\n"},
        {"encoder, limits", 4, 1,
         "[Key0042]\r\nmode: discrete_limit_event\r\noffset: 0BC0\r\nsize: 4\r\ntype: uint\r\n"
         "min: 1\r\nmax: 360\r\nincrement: 5\r\n\r\n"},
        {"empty item", 0, 0, "\r\n"},
        {"no selection", -1, 0, "\r\n"},
        {"unknown type", 5, 0, "\r\n"},
    };
    for (const auto& c : cases) {
        DiscreteSectionInput in;
        in.remarks = kEmptyBox;
        in.eventIdText = "42";
        in.controlType = c.controlType;
        in.offsetText = "0BC0";
        in.typeIndex = 1;
        in.sizeIndex = 2;
        in.value0Text = "-7";
        in.value1Text = "9";
        in.minText = "1";
        in.maxText = "360";
        in.incrementText = "5";
        in.cyclingIndex = c.cycling;
        const auto pieces = ComposeDiscreteSection(in);
        ExpectWellFormed(pieces);
        EXPECT_EQ(JoinPieces(pieces), c.text) << c.what;
    }
}

TEST(DiscreteSection, SizeWithoutBlankOnlyForSpdt) {
    for (int type = 1; type <= 4; ++type) {
        DiscreteSectionInput in = Spdt();
        in.controlType = type;
        in.sizeIndex = 1;
        const string text = JoinPieces(ComposeDiscreteSection(in));
        const bool spdt = type == 1;
        EXPECT_EQ(text.find("\r\nsize:2\r\n") != string::npos, spdt) << type;
        EXPECT_EQ(text.find("\r\nsize: 2\r\n") != string::npos, !spdt) << type;
    }
}

TEST(DiscreteSection, HeaderFromTheEventIdField) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "[Key0000]\r\n"},    {"-3", "[Key-003]\r\n"},  {"12345", "[Key12345]\r\n"},
        {"12 ", "[Key0000]\r\n"}, {" 12", "[Key0012]\r\n"}, {"abc", "[Key0000]\r\n"},
        {"1.5", "[Key0000]\r\n"}, {"291", "[Key0291]\r\n"}, {"2147483648", "[Key0000]\r\n"},
    };
    for (const auto& [field, header] : cases) {
        DiscreteSectionInput in = Spdt();
        in.eventIdText = field;
        EXPECT_EQ(JoinPieces(ComposeDiscreteSection(in)).substr(0, string(header).size()), header)
            << '"' << field << '"';
    }
}

TEST(DiscreteSection, InvalidValueFieldsCountAsZero) {
    DiscreteSectionInput in = Spdt();
    in.value0Text = "12 ";
    in.value1Text = "abc";
    EXPECT_NE(JoinPieces(ComposeDiscreteSection(in)).find("\r\n0: 0\r\n1: 0\r\n"), string::npos);
}

TEST(DiscreteSection, MaskLineFollowsTheTemplateOfAnyType) {
    const std::pair<const char*, const char*> masks[] = {
        {"255", "mask: 255\r\n"},      {"abc", "mask: 0\r\n"}, {"-1", "mask: 4294967295\r\n"},
        {"4294967296", "mask: 0\r\n"}, {" ", "mask: 0\r\n"},   {"", nullptr},
    };
    for (int type = 0; type <= 4; ++type) {
        for (const auto& [field, line] : masks) {
            DiscreteSectionInput in = Spdt();
            in.controlType = type;
            in.maskText = field;
            const auto pieces = ComposeDiscreteSection(in);
            ExpectWellFormed(pieces);
            if (line == nullptr) {
                EXPECT_EQ(JoinPieces(pieces).find("mask"), string::npos) << type;
            } else {
                ASSERT_GE(pieces.size(), 2u);
                EXPECT_EQ(pieces[pieces.size() - 2], line) << type << " \"" << field << '"';
            }
        }
    }
}

TEST(DiscreteSection, BcdLineComesAfterTheMaskAndBeforeTheEmptyLine) {
    DiscreteSectionInput in = Spdt();
    in.maskText = "3";
    in.encodingIndex = 1;
    EXPECT_EQ(JoinPieces(ComposeDiscreteSection(in)),
              "[Key0017]\r\nmode: discrete_event\r\noffset: 66C0\r\nsize:1\r\ntype: int\r\n"
              "0: 0\r\n1: 1\r\nmask: 3\r\nencoding: bcd\r\n\r\n");
    in.controlType = 0;
    in.maskText = "";
    EXPECT_EQ(JoinPieces(ComposeDiscreteSection(in)), "encoding: bcd\r\n\r\n");
    in.encodingIndex = 0;
    EXPECT_EQ(JoinPieces(ComposeDiscreteSection(in)), "\r\n");
}

TEST(DiscreteSection, CommentBlockComesFirstAsPiecesOfItsOwn) {
    DiscreteSectionInput in = Spdt();
    in.remarks = {{"Gear lever"}, "Gear lever"};
    const auto pieces = ComposeDiscreteSection(in);
    ExpectWellFormed(pieces);
    ASSERT_EQ(pieces.size(), 5u);
    EXPECT_EQ(pieces[0], "#############\r\n");
    EXPECT_EQ(pieces[1], "# Gear lever\r\n");
    EXPECT_EQ(pieces[2], "#############\r\n");
    EXPECT_EQ(pieces[3].substr(0, 11), "[Key0017]\r\n");
    // Type 0 with nothing optional: only the comment block and the empty line.
    in.controlType = 0;
    EXPECT_EQ(JoinPieces(ComposeDiscreteSection(in)),
              "#############\r\n# Gear lever\r\n#############\r\n\r\n");
}

TEST(DiscreteSection, AfterTheControlsPresetWithSpst) {
    DiscreteSectionInput in = Spdt();
    in.controlType = 3;
    in.offsetText = "3110";
    in.typeIndex = 0;
    in.sizeIndex = 3;
    in.encodingIndex = 0;
    in.maskText = "";
    in.value1Text = "66587";
    EXPECT_EQ(JoinPieces(ComposeDiscreteSection(in)),
              "[Key0017]\r\nmode: discrete_event\r\noffset: 3110\r\nsize: 8\r\ntype: int\r\n"
              "1: 66587\r\n\r\n");
}

TEST(DiscreteSection, TextsAreInsertedAsTyped) {
    DiscreteSectionInput in = Spdt();
    for (const string offset : {"", " 66C0 ", "%s%n%d", "\xc3\x84\xc3\x96", "a\tb"}) {
        in.offsetText = offset;
        EXPECT_NE(JoinPieces(ComposeDiscreteSection(in)).find("\r\noffset: " + offset + "\r\n"),
                  string::npos)
            << offset;
    }
}

// ---- numeric control sections

NumericSectionInput Numeric() {
    NumericSectionInput in;
    in.remarks = kEmptyBox;
    in.eventIdText = "5";
    in.offsetText = "0BC0";
    in.typeIndex = 0;
    in.sizeIndex = 1;
    in.factorText = "0.1";
    return in;
}

TEST(NumericSection, Example) {
    const auto pieces = ComposeNumericSection(Numeric());
    ExpectWellFormed(pieces);
    EXPECT_EQ(JoinPieces(pieces),
              "[Key0005]\r\nmode: numeric_event\r\noffset: 0BC0\r\ntype: int\r\nsize: 2\r\n"
              "factor: 1.000000e-001\r\n\r\n");
}

struct ControlCase {
    const char* offset;
    const char* controlId;
    bool line;
};

TEST(NumericSection, ControlLineOnlyForOffsetsBeginningWith3110) {
    const ControlCase cases[] = {
        {"3110", "66587", true}, {"3110", "", false},   {"31100", "1", true},
        {"3110xyz", "1", true},  {" 3110", "1", false}, {"311", "1", false},
        {"0BC0", "1", false},    {"", "1", false},      {"03110", "1", false},
    };
    for (const auto& c : cases) {
        NumericSectionInput in = Numeric();
        in.offsetText = c.offset;
        in.controlIdText = c.controlId;
        const string text = JoinPieces(ComposeNumericSection(in));
        const string line = string("\r\ncontrol: ") + c.controlId + "\r\n";
        EXPECT_EQ(text.find(line) != string::npos, c.line) << c.offset << " / " << c.controlId;
        EXPECT_EQ(text.find("control:") != string::npos, c.line) << c.offset;
    }
}

struct RealLineCase {
    const char* field;
    const char* line;  // nullptr: no line
};

TEST(NumericSection, FactorLineDefaultsToOne) {
    const RealLineCase cases[] = {
        {"abc", "factor: 1.000000e+000\r\n"},   {"", nullptr},
        {"2", "factor: 2.000000e+000\r\n"},     {"0.1", "factor: 1.000000e-001\r\n"},
        {"0", "factor: 0.000000e+000\r\n"},     {"2 ", "factor: 1.000000e+000\r\n"},
        {"1,5", "factor: 1.000000e+000\r\n"},   {"-0.5", "factor: -5.000000e-001\r\n"},
        {"1e999", "factor: 1.000000e+000\r\n"},
    };
    for (const auto& c : cases) {
        NumericSectionInput in = Numeric();
        in.factorText = c.field;
        const string text = JoinPieces(ComposeNumericSection(in));
        if (c.line == nullptr)
            EXPECT_EQ(text.find("factor"), string::npos);
        else
            EXPECT_NE(text.find(string("\r\n") + c.line), string::npos) << c.field << "\n" << text;
    }
}

TEST(NumericSection, ZeroOffsetLineDefaultsToZero) {
    const RealLineCase cases[] = {
        {"512", "zero_offset: 5.120000e+002\r\n"},
        {"abc", "zero_offset: 0.000000e+000\r\n"},
        {"-100", "zero_offset: -1.000000e+002\r\n"},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        NumericSectionInput in = Numeric();
        in.zeroOffsetText = c.field;
        const string text = JoinPieces(ComposeNumericSection(in));
        if (c.line == nullptr)
            EXPECT_EQ(text.find("zero_offset"), string::npos);
        else
            EXPECT_NE(text.find(string("\r\n") + c.line), string::npos) << c.field;
    }
}

TEST(NumericSection, OptionalLinesInOrder) {
    NumericSectionInput in = Numeric();
    in.remarks = {{"Throttle"}, "Throttle"};
    in.eventIdText = "-3";
    in.offsetText = "3110";
    in.controlIdText = "65820";
    in.typeIndex = 2;
    in.sizeIndex = 2;
    in.factorText = "0.5";
    in.zeroOffsetText = "512";
    in.encodingIndex = 1;
    const auto pieces = ComposeNumericSection(in);
    ExpectWellFormed(pieces);
    const std::vector<string> expected = {
        "###########\r\n",
        "# Throttle\r\n",
        "###########\r\n",
        "[Key-003]\r\nmode: numeric_event\r\noffset: 3110\r\ntype: float\r\nsize: 4\r\n",
        "control: 65820\r\n",
        "factor: 5.000000e-001\r\n",
        "zero_offset: 5.120000e+002\r\n",
        "encoding: bcd\r\n",
        "\r\n",
    };
    EXPECT_EQ(pieces, expected);
}

TEST(NumericSection, AfterTheControlsPreset) {
    NumericSectionInput in = Numeric();
    in.offsetText = "3110";
    in.typeIndex = 0;
    in.sizeIndex = 3;
    in.controlIdText = "1";
    in.factorText = "";
    EXPECT_EQ(JoinPieces(ComposeNumericSection(in)),
              "[Key0005]\r\nmode: numeric_event\r\noffset: 3110\r\ntype: int\r\nsize: 8\r\n"
              "control: 1\r\n\r\n");
}

// ---- indication sections

IndicationSectionInput Altitude() {
    IndicationSectionInput in;
    in.remarks = kEmptyBox;
    in.indicationType = 0;
    in.sectionName = "Altitude";
    in.offsetText = "3324";
    in.typeIndex = 0;
    in.sizeIndex = 2;
    in.deviceText = "0";
    in.positionText = "0";
    in.lengthText = "5";
    in.showLeadingZeroes = true;
    return in;
}

IndicationSectionInput Gear() {
    IndicationSectionInput in;
    in.remarks = kEmptyBox;
    in.indicationType = 1;
    in.sectionName = "Gear";
    in.offsetText = "0BE8";
    in.typeIndex = 1;
    in.sizeIndex = 0;
    in.positionText = "12";
    in.maskText = "1";
    return in;
}

TEST(IndicationSection, NumericExample) {
    const auto pieces = ComposeIndicationSection(Altitude());
    ExpectWellFormed(pieces);
    EXPECT_EQ(JoinPieces(pieces),
              "[Ind Altitude]\r\nmode: numeric_polling\r\noffset: 3324\r\nsize: 4\r\n"
              "type: int\r\ndevadr: 0\r\npos: 0\r\nlen: 5\r\noptions: 1\r\n\r\n");
}

TEST(IndicationSection, DiscreteExample) {
    const auto pieces = ComposeIndicationSection(Gear());
    ExpectWellFormed(pieces);
    EXPECT_EQ(JoinPieces(pieces),
              "[Ind Gear]\r\nmode: discrete_polling\r\narray: 0BE8\r\nindex: 1\r\ntype: uint\r\n"
              "pos: 12\r\nmask: 1\r\n\r\n");
}

TEST(IndicationSection, EmptySectionNameKeepsTheBlank) {
    IndicationSectionInput in = Gear();
    in.sectionName = "";
    EXPECT_EQ(JoinPieces(ComposeIndicationSection(in)).substr(0, 8), "[Ind ]\r\n");
    in = Altitude();
    in.sectionName = "";
    EXPECT_EQ(JoinPieces(ComposeIndicationSection(in)).substr(0, 8), "[Ind ]\r\n");
}

TEST(IndicationSection, FactorAndZeroOffsetDefaultToZero) {
    const RealLineCase factors[] = {
        {"2", "factor: 2.000000e+000\r\n"},
        {"abc", "factor: 0.000000e+000\r\n"},
        {"", nullptr},
    };
    for (const auto& c : factors) {
        IndicationSectionInput in = Altitude();
        in.showLeadingZeroes = false;
        in.factorText = c.field;
        const auto pieces = ComposeIndicationSection(in);
        if (c.line == nullptr)
            EXPECT_EQ(JoinPieces(pieces).find("factor"), string::npos);
        else
            EXPECT_EQ(pieces[1], c.line) << c.field;
    }
    IndicationSectionInput in = Altitude();
    in.zeroOffsetText = "abc";
    EXPECT_NE(JoinPieces(ComposeIndicationSection(in)).find("\r\nzero_offset: 0.000000e+000\r\n"),
              string::npos);
}

TEST(IndicationSection, MaskIsSigned) {
    const std::pair<const char*, const char*> cases[] = {
        {"-1", "mask: -1\r\n"},
        {"4294967295", "mask: 0\r\n"},
        {"255", "mask: 255\r\n"},
        {"abc", "mask: 0\r\n"},
        {"", nullptr},
    };
    for (const auto& [field, line] : cases) {
        IndicationSectionInput in = Gear();
        in.maskText = field;
        const auto pieces = ComposeIndicationSection(in);
        ExpectWellFormed(pieces);
        if (line == nullptr) {
            EXPECT_EQ(JoinPieces(pieces).find("mask"), string::npos);
        } else {
            ASSERT_EQ(pieces.size(), 3u);
            EXPECT_EQ(pieces[1], line) << field;
        }
    }
}

TEST(IndicationSection, EachFormReadsOnlyItsOwnOptionalFields) {
    IndicationSectionInput in = Gear();
    in.factorText = "2";
    in.zeroOffsetText = "3";
    in.showLeadingZeroes = true;  // "Show leading zeroes" on a discrete section adds nothing
    in.deviceText = "4";
    in.lengthText = "6";
    EXPECT_EQ(JoinPieces(ComposeIndicationSection(in)),
              JoinPieces(ComposeIndicationSection(Gear())));

    IndicationSectionInput numeric = Altitude();
    numeric.maskText = "7";
    EXPECT_EQ(JoinPieces(ComposeIndicationSection(numeric)),
              JoinPieces(ComposeIndicationSection(Altitude())));
}

TEST(IndicationSection, DiscreteIndexIsTheSizeValue) {
    const std::pair<int, const char*> cases[] = {{0, "\r\nindex: 1\r\n"},
                                                 {1, "\r\nindex: 2\r\n"},
                                                 {2, "\r\nindex: 4\r\n"},
                                                 {3, "\r\nindex: 8\r\n"}};
    for (const auto& [sizeIndex, line] : cases) {
        IndicationSectionInput in = Gear();
        in.sizeIndex = sizeIndex;
        EXPECT_NE(JoinPieces(ComposeIndicationSection(in)).find(line), string::npos) << sizeIndex;
    }
}

TEST(IndicationSection, BcdFollowsTheOptionalLinesOfBothForms) {
    IndicationSectionInput in = Altitude();
    in.factorText = "2";
    in.zeroOffsetText = "1";
    in.encodingIndex = 1;
    std::vector<string> pieces = ComposeIndicationSection(in);
    std::vector<string> tail(pieces.end() - 5, pieces.end());
    EXPECT_EQ(tail,
              (std::vector<string>{"factor: 2.000000e+000\r\n", "zero_offset: 1.000000e+000\r\n",
                                   "options: 1\r\n", "encoding: bcd\r\n", "\r\n"}));
    in = Gear();
    in.encodingIndex = 1;
    pieces = ComposeIndicationSection(in);
    tail.assign(pieces.end() - 3, pieces.end());
    EXPECT_EQ(tail, (std::vector<string>{"mask: 1\r\n", "encoding: bcd\r\n", "\r\n"}));
}

TEST(IndicationSection, IntegerFieldsCountAsZeroWhenInvalid) {
    IndicationSectionInput in = Altitude();
    in.deviceText = "1 ";
    in.positionText = "x";
    in.lengthText = " 8";
    EXPECT_NE(
        JoinPieces(ComposeIndicationSection(in)).find("\r\ndevadr: 0\r\npos: 0\r\nlen: 8\r\n"),
        string::npos);
}

TEST(IndicationSection, TypeIndexAndedWithOne) {
    IndicationSectionInput in = Gear();
    in.indicationType = 3;
    EXPECT_EQ(JoinPieces(ComposeIndicationSection(in)),
              JoinPieces(ComposeIndicationSection(Gear())));
    in.indicationType = 2;
    EXPECT_NE(JoinPieces(ComposeIndicationSection(in)).find("numeric_polling"), string::npos);
}

// ---- all composers

TEST(Composers, HugeFieldsAreCarriedThroughWhole) {
    const string huge(2000000, 'x');
    DiscreteSectionInput d = Spdt();
    d.offsetText = huge;
    d.remarks = {{huge, "", huge}, huge};
    d.eventIdText = huge;
    d.maskText = huge;
    const auto pieces = ComposeDiscreteSection(d);
    ExpectWellFormed(pieces);
    EXPECT_EQ(pieces[0].size(), huge.size() + 3 + 2);
    EXPECT_NE(
        JoinPieces(pieces).find("[Key0000]\r\nmode: discrete_event\r\noffset: " + huge + "\r\n"),
        string::npos);

    NumericSectionInput n = Numeric();
    n.offsetText = "3110" + huge;
    n.controlIdText = huge;
    n.factorText = huge;
    ExpectWellFormed(ComposeNumericSection(n));

    IndicationSectionInput i = Altitude();
    i.sectionName = huge;
    i.factorText = string(5000, '9');
    const auto indication = ComposeIndicationSection(i);
    ExpectWellFormed(indication);
    EXPECT_EQ(indication[1], "factor: 0.000000e+000\r\n");  // overflows: invalid
}

// ---- notes on the number fields that took their default

template <typename Input>
struct NotesCase {
    const char* what;
    std::function<void(Input&)> set;
    std::vector<string> notes;
};

// Each row changes the example input; the section is the same bytes with or
// without the notes.
template <typename Input, typename Compose>
void ExpectNotes(const Input& example, const std::vector<NotesCase<Input>>& cases,
                 Compose compose) {
    for (const auto& c : cases) {
        Input in = example;
        c.set(in);
        std::vector<string> notes;
        EXPECT_EQ(compose(in, &notes), compose(in, nullptr)) << c.what;
        EXPECT_EQ(notes, c.notes) << c.what;
    }
}

TEST(SectionNotes, DiscreteNamesTheFieldsItsSectionCarriesAsDefaults) {
    using D = DiscreteSectionInput;
    const char* const id12 = "EvID(decimal) \"12 \" is not a whole number: 0 used";
    ExpectNotes<D>(
        Spdt(),
        {
            {"every field read", [](D&) {}, {}},
            {"id with a trailing blank", [](D& in) { in.eventIdText = "12 "; }, {id12}},
            {"empty id",
             [](D& in) { in.eventIdText = ""; },
             {"EvID(decimal) \"\" is empty: 0 used"}},
            {"id out of range",
             [](D& in) { in.eventIdText = "2147483648"; },
             {"EvID(decimal) \"2147483648\" is out of range: 0 used"}},
            {"no template, so no id",
             [](D& in) {
                 in.controlType = 0;
                 in.eventIdText = "12 ";
             },
             {}},
            {"SPDT: its values, an empty one on purpose",
             [](D& in) {
                 in.value0Text = "abc";
                 in.value1Text = "";
                 in.minText = "abc";  // not in an SPDT section
             },
             {"0: \"abc\" is not a whole number: 0 used"}},
            {"cycling: the range in order after the id",
             [](D& in) {
                 in.controlType = 4;
                 in.eventIdText = "12 ";
                 in.value0Text = "abc";  // not in a cycling section
                 in.minText = "x";
                 in.maxText = "1.5";
                 in.incrementText = "";
             },
             {id12, "Min: \"x\" is not a whole number: 0 used",
              "Max: \"1.5\" is not a whole number: 0 used"}},
            {"SPST: value 1 only",
             [](D& in) {
                 in.controlType = 3;
                 in.value0Text = "abc";
                 in.value1Text = "1e3";
             },
             {"1: \"1e3\" is not a whole number: 0 used"}},
            {"mask after any template, last",
             [](D& in) {
                 in.eventIdText = "12 ";
                 in.maskText = "4294967296";
             },
             {id12, "Mask: \"4294967296\" is out of range: 0 used"}},
            {"mask alone",
             [](D& in) {
                 in.controlType = 0;
                 in.maskText = "0x1F";
             },
             {"Mask: \"0x1F\" is not a whole number: 0 used"}},
            {"mask -1 is read", [](D& in) { in.maskText = "-1"; }, {}},
        },
        [](const D& in, std::vector<string>* notes) { return ComposeDiscreteSection(in, notes); });
}

TEST(SectionNotes, NumericNamesTheIdFactorAndZeroOffset) {
    using N = NumericSectionInput;
    ExpectNotes<N>(
        Numeric(),
        {
            {"every field read", [](N&) {}, {}},
            {"factor with a decimal comma",
             [](N& in) { in.factorText = "1,5"; },
             {"factor \"1,5\" is not a number: 1 used"}},
            {"empty factor: no line, no note", [](N& in) { in.factorText = ""; }, {}},
            {"control id is text",
             [](N& in) {
                 in.offsetText = "3110";
                 in.controlIdText = "abc";
             },
             {}},
            {"in order",
             [](N& in) {
                 in.eventIdText = "";
                 in.factorText = "inf";
                 in.zeroOffsetText = "abc";
             },
             {"EvId(decimal) \"\" is empty: 0 used", "factor \"inf\" is not a number: 1 used",
              "zero offset \"abc\" is not a number: 0 used"}},
        },
        [](const N& in, std::vector<string>* notes) { return ComposeNumericSection(in, notes); });
}

TEST(SectionNotes, IndicationNamesOnlyTheFieldsOfItsForm) {
    using I = IndicationSectionInput;
    const auto compose = [](const I& in, std::vector<string>* notes) {
        return ComposeIndicationSection(in, notes);
    };
    ExpectNotes<I>(Altitude(),
                   {
                       {"every field read", [](I&) {}, {}},
                       {"address, an empty length on purpose",
                        [](I& in) {
                            in.deviceText = "1 ";
                            in.positionText = "x";
                            in.lengthText = "";
                            in.maskText = "abc";  // not in a numeric section
                        },
                        {"*Device: \"1 \" is not a whole number: 0 used",
                         "**Position: \"x\" is not a whole number: 0 used"}},
                       {"factor and zero offset default to 0",
                        [](I& in) {
                            in.factorText = "abc";
                            in.zeroOffsetText = "1e999";
                        },
                        {"Factor: \"abc\" is not a number: 0 used",
                         "Zero Offset: \"1e999\" is out of range: 0 used"}},
                   },
                   compose);
    ExpectNotes<I>(Gear(),
                   {
                       {"not in a discrete section",
                        [](I& in) {
                            in.deviceText = "abc";
                            in.lengthText = "abc";
                            in.factorText = "abc";
                            in.zeroOffsetText = "abc";
                        },
                        {}},
                       {"position and a signed mask",
                        [](I& in) {
                            in.positionText = "12 ";
                            in.maskText = "4294967295";
                        },
                        {"**Position: \"12 \" is not a whole number: 0 used",
                         "Mask: \"4294967295\" is out of range: 0 used"}},
                   },
                   compose);
}

}  // namespace
