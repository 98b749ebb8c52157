// Bridges between the window's texts and the plain code: text crosses into
// files, paths, sections and the console as UTF-8, whatever the process
// locale says (the "C" locale included).
#pragma once

#include <wx/string.h>

#include <optional>
#include <string>

// `text` as UTF-8; nullopt when it holds a code point UTF-8 cannot carry (a
// lone surrogate half, or one beyond U+10FFFF), so that such a text is
// reported rather than written mangled or empty.
std::optional<std::string> ToUtf8(const wxString& text);

// `text` as UTF-8, a code point UTF-8 cannot carry becoming U+FFFD. Used
// for number fields (any character outside ASCII makes a number invalid
// anyway, and the field's emptiness is kept) and for texts only shown.
std::string Utf8Text(const wxString& text);

// UTF-8 bytes (a composed piece, a file's content, a path, an environment
// value) as a wxString. Bytes that are not UTF-8 are taken one by one as
// Latin-1 rather than lost.
wxString PieceText(const std::string& bytes);
