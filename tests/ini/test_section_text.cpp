#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

#include "ScopedEnvironment.h"
#include "ini/SectionText.h"

namespace {

using std::string;

// ---- FormatExponent

struct ExponentCase {
    double value;
    const char* text;
};

TEST(FormatExponent, WritesSixDecimalsAndAtLeastThreeExponentDigits) {
    const ExponentCase cases[] = {
        {1, "1.000000e+000"},         {0, "0.000000e+000"},
        {-0.0, "-0.000000e+000"},     {0.5, "5.000000e-001"},
        {-0.00125, "-1.250000e-003"}, {12345.678, "1.234568e+004"},
        {100, "1.000000e+002"},       {-1, "-1.000000e+000"},
        {0.1, "1.000000e-001"},       {2, "2.000000e+000"},
        {512, "5.120000e+002"},       {-273.15, "-2.731500e+002"},
        {123456789, "1.234568e+008"}, {1e-300, "1.000000e-300"},
        {1e300, "1.000000e+300"},     {-1e300, "-1.000000e+300"},
        {1e100, "1.000000e+100"},     {1e-10, "1.000000e-010"},
        {DBL_MAX, "1.797693e+308"},   {DBL_MIN, "2.225074e-308"},
        {5e-324, "4.940656e-324"},  // smallest subnormal: correctly rounded, not "5.000000"
    };
    for (const auto& c : cases) EXPECT_EQ(FormatExponent(c.value), c.text) << c.value;
}

TEST(FormatExponent, RoundingCarriesIntoTheExponent) {
    const ExponentCase cases[] = {
        {9.9999995, "1.000000e+001"},      {-9.9999995, "-1.000000e+001"},
        {9.99999951, "1.000000e+001"},     {9.9999994, "9.999999e+000"},
        {0.99999996, "1.000000e+000"},     {99999.9996, "1.000000e+005"},
        {9.9999995e-100, "1.000000e-099"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatExponent(c.value), c.text) << c.value;
}

TEST(FormatExponent, ExactDecimalHalvesAsTypedRoundAwayFromZero) {
    const ExponentCase cases[] = {
        {1.2345675, "1.234568e+000"}, {1.2345665, "1.234567e+000"},  {-1.2345665, "-1.234567e+000"},
        {2.5000005, "2.500001e+000"}, {0.12345675, "1.234568e-001"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatExponent(c.value), c.text) << c.value;
}

TEST(FormatExponent, SpellsNonFiniteNumbers) {
    EXPECT_EQ(FormatExponent(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(FormatExponent(-std::numeric_limits<double>::infinity()), "-inf");
    EXPECT_EQ(FormatExponent(std::numeric_limits<double>::quiet_NaN()), "nan");
    EXPECT_EQ(FormatExponent(-std::numeric_limits<double>::quiet_NaN()), "nan");
}

// Over the whole range of doubles, the text is printf's "%.6e" with the
// exponent widened to three digits (random bit patterns never lie on an
// exact decimal half).
TEST(FormatExponent, AgreesWithPrintfOverRandomDoubles) {
    std::mt19937_64 random(12345);
    for (int i = 0; i < 200000; ++i) {
        const std::uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) continue;
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.6e", value);
        string expected = buf;
        const std::size_t e = expected.find('e');
        string digits = expected.substr(e + 2);
        while (digits.size() < 3) digits.insert(0, "0");
        expected = expected.substr(0, e + 2) + digits;
        ASSERT_EQ(FormatExponent(value), expected) << "bits " << bits;
    }
}

// ---- number fields

struct IntCase {
    string text;
    std::optional<std::int32_t> value;
};

TEST(ParseInt, AcceptsOnlyAWholeDecimalInt32) {
    const IntCase cases[] = {
        {"0", 0},
        {"17", 17},
        {"-3", -3},
        {"+5", 5},
        {"007", 7},
        {" 12", 12},
        {"\t\n12", 12},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"12 ", std::nullopt},
        {"1.5", std::nullopt},
        {"abc", std::nullopt},
        {"12abc", std::nullopt},
        {"", std::nullopt},
        {" ", std::nullopt},
        {"-", std::nullopt},
        {"+", std::nullopt},
        {"--1", std::nullopt},
        {"0x10", std::nullopt},
        {"1e3", std::nullopt},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"4294967296", std::nullopt},
        {"99999999999999999999999999999", std::nullopt},
        {string("12\0", 3), std::nullopt},
        {"\xef\xbc\x91", std::nullopt},  // a full-width digit one
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseInt(c.text), c.value) << '"' << c.text << '"';
        EXPECT_EQ(ReadInt(c.text), c.value.value_or(0)) << '"' << c.text << '"';
        // A field has a reason not to be read exactly when it takes its default.
        EXPECT_EQ(WhyUnread(NumberRule::kInt, c.text).has_value(), !c.value) << '"' << c.text;
    }
}

struct UnsignedCase {
    string text;
    std::optional<std::uint32_t> value;
};

TEST(ParseUnsigned, FollowsStrtoulOn32Bits) {
    const UnsignedCase cases[] = {
        {"255", 255u},
        {"0", 0u},
        {" 7", 7u},
        {"+7", 7u},
        {"4294967295", 4294967295u},
        {"-1", 4294967295u},
        {"-4294967295", 1u},
        {"-0", 0u},
        {"4294967296", std::nullopt},
        {"-4294967296", std::nullopt},
        {"18446744073709551615", std::nullopt},
        {"abc", std::nullopt},
        {"7 ", std::nullopt},
        {"", std::nullopt},
        {"0x1F", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseUnsigned(c.text), c.value) << '"' << c.text << '"';
        EXPECT_EQ(ReadUnsigned(c.text), c.value.value_or(0u)) << '"' << c.text << '"';
        EXPECT_EQ(WhyUnread(NumberRule::kUnsigned, c.text).has_value(), !c.value) << c.text;
    }
}

struct RealCase {
    string text;
    std::optional<double> value;
};

TEST(ParseReal, AcceptsOnlyAWholeFiniteNumberWithAPoint) {
    const RealCase cases[] = {
        {"0.1", 0.1},
        {"1e3", 1000.0},
        {"-2.5", -2.5},
        {" 2", 2.0},
        {".5", 0.5},
        {"5.", 5.0},
        {"+.5e1", 5.0},
        {"1E-2", 0.01},
        {"0x10", 16.0},
        {"512", 512.0},
        {"2 ", std::nullopt},
        {"1,5", std::nullopt},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {" ", std::nullopt},
        {"1e", std::nullopt},
        {"inf", std::nullopt},
        {"-infinity", std::nullopt},
        {"nan", std::nullopt},
        {"1e999", std::nullopt},
        {"-1e999", std::nullopt},
        {"1e-400", std::nullopt},
        {string("1\0", 2), std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseReal(c.text), c.value) << '"' << c.text << '"';
        EXPECT_EQ(WhyUnread(NumberRule::kReal, c.text).has_value(), !c.value) << c.text;
    }
}

TEST(ReadReal, GivesTheCallersDefaultWhenInvalid) {
    EXPECT_EQ(ReadReal("abc", 1.0), 1.0);
    EXPECT_EQ(ReadReal("abc", 0.0), 0.0);
    EXPECT_EQ(ReadReal("", 1.0), 1.0);
    EXPECT_EQ(ReadReal("0.25", 1.0), 0.25);
    EXPECT_EQ(ReadReal("0", 1.0), 0.0);
}

// The toolkit sets the process locale from the environment; a locale with a
// decimal comma must not change how fields are read or numbers written. The
// test builds such a locale of its own, as few systems have one installed.
TEST(NumberText, IgnoresADecimalCommaLocale) {
    char dir[] = "/tmp/ini-locale-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const string command =
        string("localedef -i de_DE -f UTF-8 ") + dir + "/de_DE.UTF-8 >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        std::system((string("rm -rf ") + dir).c_str());
        GTEST_SKIP() << "no localedef or de_DE sources";
    }
    ScopedEnvironment localePath("LOCPATH", dir);
    const string saved = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);

    char printed[16];
    std::snprintf(printed, sizeof printed, "%.1f", 0.5);
    EXPECT_STREQ(printed, "0,5");  // the locale is really in force
    EXPECT_EQ(ParseReal("0.5"), 0.5);
    EXPECT_EQ(ParseReal("0,5"), std::nullopt);
    EXPECT_EQ(ParseReal("-1.25e-3"), -1.25e-3);
    EXPECT_EQ(FormatExponent(0.5), "5.000000e-001");
    EXPECT_EQ(FormatExponent(-0.00125), "-1.250000e-003");
    EXPECT_EQ(FormatExponent(9.9999995), "1.000000e+001");

    std::setlocale(LC_ALL, saved.c_str());
    std::system((string("rm -rf ") + dir).c_str());
}

TEST(NumberText, VeryLongFieldsAreReadWithoutTrouble) {
    const string digits(1000000, '7');
    EXPECT_EQ(ParseInt(digits), std::nullopt);
    EXPECT_EQ(ParseUnsigned("-" + digits), std::nullopt);
    EXPECT_EQ(ParseReal(digits), std::nullopt);  // overflows
    EXPECT_EQ(ParseReal("0." + digits), std::optional<double>(0.7777777777777778));
    EXPECT_EQ(ParseInt(string(1000000, ' ') + "5"), 5);
}

// ---- lines, rules, the comment block

TEST(MaxLineLength, CountsCharactersOfTheLongestLine) {
    EXPECT_EQ(MaxLineLength({}), 0);
    EXPECT_EQ(MaxLineLength({""}), 0);
    EXPECT_EQ(MaxLineLength({"", "", ""}), 0);
    EXPECT_EQ(MaxLineLength({"Gear lever"}), 10);
    EXPECT_EQ(MaxLineLength({"a", "abc", "ab"}), 3);
    EXPECT_EQ(MaxLineLength({"\xc3\x84rger"}), 5);  // "Ärger": characters, not bytes
    EXPECT_EQ(MaxLineLength({"\xe2\x82\xac", "ab"}), 2);
}

TEST(RuleText, RepeatsTheCharacterThenEndsTheLine) {
    EXPECT_EQ(RuleText('#', 13), "#############\r\n");
    EXPECT_EQ(RuleText('#', 1), "#\r\n");
    EXPECT_EQ(RuleText('#', 0), "\r\n");
    EXPECT_EQ(RuleText('#', -4), "\r\n");
    EXPECT_EQ(RuleText('-', 3), "---\r\n");
}

struct CommentCase {
    const char* what;
    std::vector<string> lines;
    string text;
    std::vector<string> pieces;
};

TEST(CommentBlock, FramesTheRemarksOrLeavesThemOut) {
    const string initial = kInitialRemarks;
    const CommentCase cases[] = {
        {"one line",
         {"Gear lever"},
         "Gear lever",
         {"#############\r\n", "# Gear lever\r\n", "#############\r\n"}},
        {"empty box", {""}, "", {}},
        {"no lines at all", {}, "", {}},
        {"only empty lines", {"", "", ""}, "\n\n", {}},
        {"initial text alone", {initial}, initial, {}},
        {"initial text going on", {initial, "Gear"}, initial + "\nGear", {}},
        {"initial text going on in the same line", {initial + " more"}, initial + " more", {}},
        {"empty line between two remarks",
         {"Flaps", "", "up/down"},
         "Flaps\n\nup/down",
         {"##########\r\n", "# Flaps\r\n", "# \r\n", "# up/down\r\n", "##########\r\n"}},
        {"text typed in front of the initial text",
         {"x" + initial},
         "x" + initial,
         {string(46, '#') + "\r\n", "# x" + initial + "\r\n", string(46, '#') + "\r\n"}},
        {"initial text in another case",
         {"some comment (remove all to omit comments)"},
         "some comment (remove all to omit comments)",
         {string(45, '#') + "\r\n", "# some comment (remove all to omit comments)\r\n",
          string(45, '#') + "\r\n"}},
        {"initial text on a later line",
         {"Gear", initial},
         "Gear\n" + initial,
         {string(45, '#') + "\r\n", "# Gear\r\n", "# " + initial + "\r\n",
          string(45, '#') + "\r\n"}},
        {"leading blank before the initial text",
         {" " + initial},
         " " + initial,
         {string(46, '#') + "\r\n", "#  " + initial + "\r\n", string(46, '#') + "\r\n"}},
    };
    for (const auto& c : cases) EXPECT_EQ(CommentBlock(c.lines, c.text), c.pieces) << c.what;
}

// ---- vocabularies and placeholders

TEST(Vocabulary, TypeWordAndSizeFollowTheSelectionAndedWith3) {
    const char* words[] = {"int", "uint", "float", "string"};
    const int sizes[] = {1, 2, 4, 8};
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(TypeWord(i), words[i]);
        EXPECT_EQ(SizeValue(i), sizes[i]);
        EXPECT_STREQ(TypeWord(i + 4), words[i]);
        EXPECT_EQ(SizeValue(i + 8), sizes[i]);
    }
    EXPECT_STREQ(TypeWord(-1), "string");  // no selection
    EXPECT_EQ(SizeValue(-1), 8);
}

TEST(KeyHeader, PadsTheIdToFourCharactersSignIncluded) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {0, "[Key0000]\r\n"},
        {7, "[Key0007]\r\n"},
        {17, "[Key0017]\r\n"},
        {291, "[Key0291]\r\n"},
        {-5, "[Key-005]\r\n"},
        {-3, "[Key-003]\r\n"},
        {12345, "[Key12345]\r\n"},
        {INT32_MAX, "[Key2147483647]\r\n"},
        {INT32_MIN, "[Key-2147483648]\r\n"},
    };
    for (const auto& [id, text] : cases) EXPECT_EQ(KeyHeader(id), text);
}

TEST(ValueLine, WritesKeyColonBlankValue) {
    EXPECT_EQ(ValueLine("mask", 4294967295LL), "mask: 4294967295\r\n");
    EXPECT_EQ(ValueLine("pos", -12), "pos: -12\r\n");
    EXPECT_EQ(SectionLine(""), "\r\n");
}

}  // namespace
