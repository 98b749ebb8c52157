#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "ini/FieldText.h"

namespace {

// Runs `check` with LC_CTYPE set to `locale`, or skips when it is missing.
template <typename F>
bool WithCtype(const char* locale, F check) {
    const std::string saved = std::setlocale(LC_CTYPE, nullptr);
    if (std::setlocale(LC_CTYPE, locale) == nullptr) return false;
    check();
    std::setlocale(LC_CTYPE, saved.c_str());
    return true;
}

const wxString kUmlauts = wxString::FromUTF8(
    "\xc3\x9c"
    "berzug");  // "Überzug"

TEST(LocalFieldText, KeepsWhatTheLocalCharacterSetHolds) {
    ASSERT_TRUE(WithCtype("C.UTF-8", [] {
        EXPECT_EQ(LocalFieldText("66C0"), "66C0");
        EXPECT_EQ(LocalFieldText(kUmlauts),
                  "\xc3\x9c"
                  "berzug");
        EXPECT_EQ(LocalFieldText(wxString()), "");
        EXPECT_EQ(LocalFieldText(" 3110 "), " 3110 ");
    }));
}

TEST(LocalFieldText, EmptiesAWholeTextTheCharacterSetCannotHold) {
    ASSERT_TRUE(WithCtype("C", [] {
        EXPECT_EQ(LocalFieldText("Gear %s"), "Gear %s");
        EXPECT_EQ(LocalFieldText(kUmlauts), "");  // not "berzug", not "?berzug"
    }));
}

TEST(LocalFieldText, LongTextsRoundTrip) {
    ASSERT_TRUE(WithCtype("C.UTF-8", [] {
        wxString text;
        for (int i = 0; i < 100000; ++i) text += kUmlauts;
        EXPECT_EQ(LocalFieldText(text).size(), 100000u * 8);
    }));
}

TEST(Utf8Text, PieceTextRoundTrip) {
    EXPECT_EQ(Utf8Text(kUmlauts),
              "\xc3\x9c"
              "berzug");
    EXPECT_EQ(Utf8Text(wxString()), "");
    EXPECT_EQ(PieceText("offset: \xc3\x9c\r\n"), wxString::FromUTF8("offset: \xc3\x9c\r\n"));
    EXPECT_EQ(PieceText("a\r\n").length(), 3u);
}

}  // namespace
