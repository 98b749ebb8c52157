#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "ini/FieldText.h"

namespace {

const wxString kUmlauts = wxString::FromUTF8(
    "\xc3\x9c"
    "berzug H\xc3\xb6he 3\xc2\xb0 \xe2\x82\xac \xf0\x9f\x9b\xab");
const char* const kUmlautsUtf8 =
    "\xc3\x9c"
    "berzug H\xc3\xb6he 3\xc2\xb0 \xe2\x82\xac \xf0\x9f\x9b\xab";

// The same bytes whatever the locale: "C" used to empty every non-ASCII text.
TEST(FieldText, Utf8WhateverTheLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    for (const char* locale : {"C", "C.UTF-8"}) {
        if (std::setlocale(LC_ALL, locale) == nullptr) {
            EXPECT_STRNE(locale, "C");  // Windows has no C.UTF-8
            continue;
        }
        SCOPED_TRACE(locale);
        EXPECT_EQ(ToUtf8(kUmlauts), std::optional<std::string>(kUmlautsUtf8));
        EXPECT_EQ(ToUtf8(" 3110 "), std::optional<std::string>(" 3110 "));
        EXPECT_EQ(ToUtf8(wxString()), std::optional<std::string>(""));
        EXPECT_EQ(Utf8Text(kUmlauts), kUmlautsUtf8);
        EXPECT_EQ(PieceText(kUmlautsUtf8), kUmlauts);
    }
    std::setlocale(LC_ALL, saved.c_str());
}

// A code point UTF-8 cannot carry refuses the whole text (the composer then
// adds nothing); where only shown it becomes U+FFFD. Bytes that are not
// UTF-8 are read one by one rather than lost.
TEST(FieldText, WhatUtf8CannotCarry) {
    const wchar_t surrogate[] = {L'a', static_cast<wchar_t>(0xD800), L'b', 0};
    const wchar_t beyond[] = {L'a', static_cast<wchar_t>(0x110000), 0};
    EXPECT_EQ(ToUtf8(wxString(surrogate)), std::nullopt);
    // Where wchar_t holds UTF-16 (Windows), no code point beyond U+10FFFF can be made.
    if (sizeof(wchar_t) == 4) {
        EXPECT_EQ(ToUtf8(wxString(beyond)), std::nullopt);
    }
    EXPECT_EQ(Utf8Text(wxString(surrogate)),
              "a\xef\xbf\xbd"
              "b");
    EXPECT_EQ(PieceText("H\xf6he"), wxString::FromUTF8("H\xc3\xb6he"));
}

}  // namespace
