// Handlers of the Axes page: the "Dataref type" and "Axis" choices.
#include "ui/loggerDialog.h"

void loggerDialog::OnDatarefTypeChanged(wxCommandEvent&) {
    // Only an array element needs an index; the empty item leaves the field
    // as it is. The index text survives being disabled.
    switch (ID_CHOICE6->GetSelection()) {
        case 1:  // "Dataref int"
        case 2:  // "Dataref float"
            ID_TEXTCTRL48->Disable();
            break;
        case 3:  // "Array int"
        case 4:  // "Array float"
            ID_TEXTCTRL48->Enable();
            break;
        default:
            break;
    }
}

void loggerDialog::OnAxisChoiceChanged(wxCommandEvent&) {
    // The selected row's value field stands out white on black and bold;
    // every other row looks like the "Dataref" field.
    const int selected = ID_CHOICE5->GetSelection();
    const wxFont plainFont = ID_TEXTCTRL42->GetFont();
    const wxColour plainText = ID_TEXTCTRL42->GetForegroundColour();
    const wxColour plainBackground = ID_TEXTCTRL42->GetBackgroundColour();
    for (int row = 0; row < 16; ++row) {
        wxTextCtrl* field = axisFields[row];
        if (row == selected) {
            field->SetForegroundColour(wxColour(255, 255, 255));
            field->SetBackgroundColour(wxColour(0, 0, 0));
            field->SetFont(plainFont.Bold());
        } else {
            field->SetForegroundColour(plainText);
            field->SetBackgroundColour(plainBackground);
            field->SetFont(plainFont);
        }
        field->Refresh();
    }
}
