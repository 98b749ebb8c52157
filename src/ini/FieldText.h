// Bridges between the window's texts and the plain composers.
#pragma once

#include <wx/string.h>

#include <string>

// A text field's text as the composers insert it: converted to the C
// library's 8-bit character set (the process locale) and back, then handed
// over as UTF-8. A text the 8-bit set cannot represent as a whole becomes
// empty, so the section gets an empty value rather than a mangled one.
std::string LocalFieldText(const wxString& text);

// A text as UTF-8, unconverted. Used for number fields: any character
// outside ASCII makes a number invalid anyway, and the field's emptiness
// (which some optional lines depend on) is kept as typed.
std::string Utf8Text(const wxString& text);

// A composed piece (UTF-8) as the result box takes it.
wxString PieceText(const std::string& piece);
