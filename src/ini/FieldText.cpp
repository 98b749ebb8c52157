#include "ini/FieldText.h"

#include <wx/strconv.h>

std::string Utf8Text(const wxString& text) {
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return std::string(utf8.data(), utf8.length());
}

std::string LocalFieldText(const wxString& text) {
    if (text.empty()) return {};
    const std::wstring wide = text.ToStdWstring();
    size_t narrowLength = 0;
    const wxCharBuffer narrow = wxConvLibc.cWC2MB(wide.data(), wide.size(), &narrowLength);
    if (narrowLength == wxCONV_FAILED || narrow.data() == nullptr) return {};
    size_t backLength = 0;
    const wxWCharBuffer back = wxConvLibc.cMB2WC(narrow.data(), narrowLength, &backLength);
    if (backLength == wxCONV_FAILED || back.data() == nullptr) return {};
    return Utf8Text(wxString(back.data(), backLength));
}

wxString PieceText(const std::string& piece) {
    return wxString::FromUTF8(piece.data(), piece.size());
}
