// The section pages' handlers: read the page, compose, append to the result
// box; and the pages' enable rules and presets.
#include <wx/radiobox.h>

#include <optional>

#include "ini/FieldText.h"
#include "ini/ReadingNotes.h"
#include "ini/Sections.h"
#include "ui/loggerDialog.h"

// Reads a page's fields as UTF-8 and remembers whether any text field held
// something that cannot be written; such a section is not added at all.
class PageReader {
  public:
    std::string Text(const wxTextCtrl* field) { return Checked(field->GetValue()); }
    static std::string Number(const wxTextCtrl* field) { return Utf8Text(field->GetValue()); }

    // The Remarks box's own lines, as the box reports them.
    Remarks ReadRemarks(const wxTextCtrl* box) {
        Remarks remarks;
        for (int i = 0; i < box->GetNumberOfLines(); ++i)
            remarks.lines.push_back(Checked(box->GetLineText(i)));
        remarks.text = Utf8Text(box->GetValue());  // only its beginning is looked at
        return remarks;
    }
    bool Refused() const { return refused_; }

  private:
    std::string Checked(const wxString& text) {
        std::optional<std::string> utf8 = ToUtf8(text);
        if (!utf8) refused_ = true;
        return utf8.value_or(std::string());
    }
    bool refused_ = false;
};

// The result box is only ever appended to: sections accumulate and the user
// edits, copies or clears the box by hand. A section with a text that cannot
// be written is not added; the message under the box says so. Otherwise the
// message names the number fields that took their default, or is cleared.
void loggerDialog::AppendSection(const PageReader& reader, const std::vector<std::string>& pieces,
                                 const std::vector<std::string>& notes) {
    if (reader.Refused()) {
        ShowResultMessage(
            "Section not added: a field holds a character that cannot be written as UTF-8.");
        return;
    }
    for (const std::string& piece : pieces) ID_TEXTCTRL7->AppendText(PieceText(piece));
    const wxString text = PieceText(JoinNotes(notes));
    ShowResultMessage(text);
    ShowWrapped(resultMessage, text);  // every note whole, not cut in the middle
}

// ---- DiscrCtrls page

void loggerDialog::OnAddControlSection(wxCommandEvent&) {
    PageReader read;
    DiscreteSectionInput in;
    in.remarks = read.ReadRemarks(ID_TEXTCTRL2);
    in.eventIdText = read.Number(ID_TEXTCTRL10);
    in.controlType = ID_CHOICE2->GetSelection();
    in.offsetText = read.Text(ID_TEXTCTRL1);
    in.typeIndex = ID_CHOICE1->GetSelection();
    in.sizeIndex = ID_CHOICE8->GetSelection();
    in.encodingIndex = ID_CHOICE11->GetSelection();
    in.value0Text = read.Number(ID_TEXTCTRL9);
    in.value1Text = read.Number(ID_TEXTCTRL8);
    in.maskText = read.Number(ID_TEXTCTRL6);
    in.minText = read.Number(ID_TEXTCTRL3);
    in.maxText = read.Number(ID_TEXTCTRL4);
    in.incrementText = read.Number(ID_TEXTCTRL5);
    in.cyclingIndex = ID_RADIOBOX1->GetSelection();
    std::vector<std::string> notes;
    const std::vector<std::string> pieces = ComposeDiscreteSection(in, &notes);
    AppendSection(read, pieces, notes);
}

void loggerDialog::DisableDiscreteFields() {
    for (wxWindow* w :
         std::initializer_list<wxWindow*>{ID_TEXTCTRL9, ID_TEXTCTRL8, ID_TEXTCTRL6, ID_TEXTCTRL3,
                                          ID_TEXTCTRL4, ID_TEXTCTRL5, ID_RADIOBOX1, ID_BUTTON31})
        w->Disable();
}

void loggerDialog::UpdateDiscreteFields() {
    const int type = ID_CHOICE2->GetSelection();
    DisableDiscreteFields();
    switch (type) {
        case 1:  // SPDT
            ID_TEXTCTRL9->Enable();
            ID_TEXTCTRL8->Enable();
            ID_TEXTCTRL6->Enable();
            break;
        case 2:  // cyclic SPST button
        case 4:  // encoder
            ID_TEXTCTRL3->Enable();
            ID_TEXTCTRL4->Enable();
            ID_TEXTCTRL5->Enable();
            ID_RADIOBOX1->Enable();
            ID_RADIOBOX1->SetSelection(0);
            break;
        case 3:  // SPST
            ID_TEXTCTRL8->Enable();
            ID_TEXTCTRL6->Enable();
            ID_BUTTON31->Enable();
            break;
        default:
            break;
    }
}

void loggerDialog::OnDiscreteTypeChanged(wxCommandEvent&) { UpdateDiscreteFields(); }

// Bound to the data choices of all three section pages; every one of them
// re-applies the DiscrCtrls rule.
void loggerDialog::OnDataChoiceChanged(wxCommandEvent&) { UpdateDiscreteFields(); }

void loggerDialog::OnDiscreteCtrlsPreset(wxCommandEvent&) {
    ID_TEXTCTRL1->ChangeValue("3110");
    ID_CHOICE1->SetSelection(0);   // "Integer"
    ID_CHOICE8->SetSelection(3);   // "8"
    ID_CHOICE11->SetSelection(0);  // "Normal"
    // A control takes no mask; the field stays off until the rule runs again.
    ID_TEXTCTRL6->Disable();
    ID_TEXTCTRL6->ChangeValue(wxEmptyString);
}

// ---- NumCtrls page

void loggerDialog::OnAddNumericSection(wxCommandEvent&) {
    PageReader read;
    NumericSectionInput in;
    in.remarks = read.ReadRemarks(ID_TEXTCTRL2);
    in.eventIdText = read.Number(ID_TEXTCTRL60);
    in.offsetText = read.Text(ID_TEXTCTRL17);
    in.controlIdText = read.Text(ID_TEXTCTRL67);
    in.typeIndex = ID_CHOICE9->GetSelection();
    in.sizeIndex = ID_CHOICE7->GetSelection();
    in.encodingIndex = ID_CHOICE12->GetSelection();
    in.factorText = read.Number(ID_TEXTCTRL49);
    in.zeroOffsetText = read.Number(ID_TEXTCTRL66);
    std::vector<std::string> notes;
    const std::vector<std::string> pieces = ComposeNumericSection(in, &notes);
    AppendSection(read, pieces, notes);
}

void loggerDialog::OnNumericCtrlsPreset(wxCommandEvent&) {
    ID_TEXTCTRL17->ChangeValue("3110");
    ID_CHOICE9->SetSelection(0);   // "Integer"
    ID_CHOICE7->SetSelection(3);   // "8"
    ID_CHOICE12->SetSelection(0);  // "Normal"
    ID_TEXTCTRL67->Enable();
    ID_STATICTEXT114->Enable();
}

// ---- Indication page

void loggerDialog::OnAddIndicationSection(wxCommandEvent&) {
    PageReader read;
    IndicationSectionInput in;
    in.remarks = read.ReadRemarks(ID_TEXTCTRL2);
    in.indicationType = ID_CHOICE4->GetSelection();
    in.offsetText = read.Text(ID_TEXTCTRL11);
    in.typeIndex = ID_CHOICE3->GetSelection();
    in.sizeIndex = ID_CHOICE10->GetSelection();
    in.encodingIndex = ID_CHOICE13->GetSelection();
    in.sectionName = read.Text(ID_TEXTCTRL13);
    in.deviceText = read.Number(ID_TEXTCTRL14);
    in.positionText = read.Number(ID_TEXTCTRL15);
    in.lengthText = read.Number(ID_TEXTCTRL16);
    in.factorText = read.Number(ID_TEXTCTRL18);
    in.zeroOffsetText = read.Number(ID_TEXTCTRL19);
    in.maskText = read.Number(ID_TEXTCTRL20);
    in.showLeadingZeroes = ID_CHECKBOX1->GetValue();
    std::vector<std::string> notes;
    const std::vector<std::string> pieces = ComposeIndicationSection(in, &notes);
    AppendSection(read, pieces, notes);
}

void loggerDialog::EnableIndicationFields() {
    for (wxWindow* w : std::initializer_list<wxWindow*>{ID_TEXTCTRL14, ID_TEXTCTRL15, ID_TEXTCTRL16,
                                                        ID_TEXTCTRL18, ID_TEXTCTRL19, ID_TEXTCTRL20,
                                                        ID_CHECKBOX1})
        w->Enable();
}

void loggerDialog::DisableIndicationFields() {
    for (wxWindow* w : std::initializer_list<wxWindow*>{ID_TEXTCTRL14, ID_TEXTCTRL15, ID_TEXTCTRL16,
                                                        ID_TEXTCTRL18, ID_TEXTCTRL19, ID_TEXTCTRL20,
                                                        ID_CHECKBOX1})
        w->Disable();
}

void loggerDialog::UpdateIndicationFields() {
    const int type = ID_CHOICE4->GetSelection();
    if (type == wxNOT_FOUND) return;
    if ((type & 1) == 0) {  // numeric: everything but the mask
        EnableIndicationFields();
        ID_TEXTCTRL20->Disable();
    } else {  // discrete: position and mask only
        DisableIndicationFields();
        ID_TEXTCTRL15->Enable();
        ID_TEXTCTRL20->Enable();
    }
}

void loggerDialog::OnIndicationTypeChanged(wxCommandEvent&) { UpdateIndicationFields(); }

// The box is only read when a section is composed.
void loggerDialog::OnShowLeadingZeroes(wxCommandEvent&) {}
