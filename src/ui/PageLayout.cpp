#include "ui/PageLayout.h"

#include "platform/Toolkit.h"
#include "ui/Controls.h"

wxFont ArialFont(bool bold) { return wxFont(wxFontInfo(10).FaceName("Arial").Bold(bold)); }

wxFont SwissBoldFont() { return wxFont(wxFontInfo(10).Family(wxFONTFAMILY_SWISS).Bold()); }

wxStaticLine* MakeLine(wxWindow* parent, const char* name, long orientation) {
    const wxSize size = orientation == wxLI_VERTICAL ? wxSize(-1, 10) : wxSize(10, -1);
    return new wxStaticLine(parent, wxWindow::NewControlId(), wxDefaultPosition, size, orientation,
                            name);
}

wxTextCtrl* MakeField(wxWindow* parent, const char* name, int width, const wxString& sample,
                      const wxString& value) {
    wxTextCtrl* field = MakeText(parent, name, value, width);
    // The sample's extent plus the entry's own frame and padding, and a blank
    // more so that the cursor after the last character has room too.
    const int needed = field->GetSizeFromTextSize(field->GetTextExtent(sample + " ").x).x;
    if (needed > field->GetMinSize().x) {
        field->SetMinSize(wxSize(needed, -1));
        field->SetSize(field->GetMinSize());
    }
    return field;
}

void NameControl(wxWindow* control, const wxString& caption) {
    SetAccessibleName(control, caption);
    Toolkit::SetInnerAccessibleName(control, caption.Strip(wxString::both));
}

wxStaticText* MakeMessageLine(wxWindow* parent, const char* name, const wxString& caption,
                              int width) {
    // Sized by the window, never by its text: a long message breaks into more
    // lines instead of widening the page.
    wxStaticText* line = MakeLabel(parent, name, wxEmptyString, wxDefaultSize, wxST_NO_AUTORESIZE);
    line->SetMinSize(wxSize(width, line->GetCharHeight()));
    NameControl(line, caption);
    return line;
}

wxStaticText* AddLabelled(wxSizer* grid, wxWindow* parent, const char* labelName,
                          const wxString& caption, wxWindow* field, LabelSide side) {
    wxStaticText* label = MakeLabel(parent, labelName, caption);
    NameControl(field, caption);
    const int vertical = wxALIGN_CENTER_VERTICAL | wxALL;
    if (side == kLabelBefore) {
        grid->Add(label, 0, wxALIGN_RIGHT | vertical, 3);
        grid->Add(field, 0, wxALIGN_LEFT | vertical, 3);
    } else {
        grid->Add(field, 0, wxALIGN_LEFT | vertical, 3);
        grid->Add(label, 0, wxALIGN_LEFT | vertical, 3);
    }
    return label;
}

wxTextCtrl* AddLabelledField(wxSizer* grid, wxWindow* parent, const char* name, int width,
                             const wxString& sample, const char* labelName, const wxString& caption,
                             LabelSide side) {
    wxTextCtrl* field = MakeField(parent, name, width, sample);
    AddLabelled(grid, parent, labelName, caption, field, side);
    return field;
}

wxArrayString DataTypeItems() {
    wxArrayString items;
    for (const char* item : {"Integer", "Unsigned Integer", "Float", "String"}) items.Add(item);
    return items;
}

wxArrayString DataSizeItems() {
    wxArrayString items;
    for (const char* item : {"1", "2", "4", "8"}) items.Add(item);
    return items;
}

wxArrayString EncodingItems() {
    wxArrayString items;
    items.Add("Normal");
    items.Add("BCD");
    return items;
}
