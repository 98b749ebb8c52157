#include "MessageLine.h"

std::string LineText(const wxStaticText* line) {
    wxString text = line->GetLabel();
    text.Replace("\n", " ");
    return text.utf8_string();
}

testing::AssertionResult ShowsWhole(const wxStaticText* line) {
    const wxArrayString rows = wxSplit(line->GetLabel(), '\n', '\0');
    const wxSize size = line->GetSize();
    for (const wxString& row : rows)
        if (line->GetTextExtent(row).x > size.x)
            return testing::AssertionFailure()
                   << "\"" << row << "\" is wider than " << size.x << " pixels";
    const int height = static_cast<int>(rows.size()) * line->GetCharHeight();
    if (size.y < height)
        return testing::AssertionFailure()
               << rows.size() << " rows need " << height << " pixels, the line has " << size.y;
    if (!wxRect(line->GetParent()->GetClientSize()).Contains(line->GetRect()))
        return testing::AssertionFailure() << "the line reaches beyond its parent";
    return testing::AssertionSuccess();
}
