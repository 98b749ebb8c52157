#include "ini/FieldText.h"

namespace {

bool Encodable(wxUint32 c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

void AppendUtf8(std::string& out, wxUint32 c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsHighSurrogate(wxUint32 c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wxUint32 c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Encoded here rather than by the toolkit's converter, which asserts on a
// code point beyond U+10FFFF and writes a lone surrogate as invalid UTF-8.
// Where the toolkit keeps text in UTF-16 (Windows), a character beyond
// U+FFFF comes as a pair of surrogates, which make one code point.
std::string Encode(const wxString& text, bool* lossy) {
    std::string out;
    out.reserve(text.length());
    for (wxString::const_iterator it = text.begin(); it != text.end(); ++it) {
        auto c = static_cast<wxUint32>((*it).GetValue());
        const wxString::const_iterator next = it + 1;
        if (sizeof(wchar_t) == 2 && IsHighSurrogate(c) && next != text.end() &&
            IsLowSurrogate(static_cast<wxUint32>((*next).GetValue()))) {
            c = 0x10000 + ((c - 0xD800) << 10) +
                (static_cast<wxUint32>((*next).GetValue()) - 0xDC00);
            it = next;
        }
        if (Encodable(c)) {
            AppendUtf8(out, c);
        } else {
            *lossy = true;
            AppendUtf8(out, 0xFFFD);
        }
    }
    return out;
}

}  // namespace

std::optional<std::string> ToUtf8(const wxString& text) {
    bool lossy = false;
    std::string out = Encode(text, &lossy);
    if (lossy) return std::nullopt;
    return out;
}

std::string Utf8Text(const wxString& text) {
    bool lossy = false;
    return Encode(text, &lossy);
}

wxString PieceText(const std::string& bytes) {
    if (bytes.empty()) return wxString();
    wxString text = wxString::FromUTF8(bytes.data(), bytes.size());
    if (text.empty()) text = wxString(bytes.data(), wxConvISO8859_1, bytes.size());
    return text;
}
