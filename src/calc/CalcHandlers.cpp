// Mask calculator, factor and zero-offset calculators, range capture buttons.
#include "calc/Calculators.h"
#include "ini/ReadingNotes.h"
#include "ui/loggerDialog.h"

namespace {

void ReadMaskBoxes(bool (&bits)[kMaskBits]) {
    for (int i = 0; i < kMaskBits; ++i) bits[i] = maskBoxes[i]->GetValue();
}

void WriteMaskBoxes(const bool (&bits)[kMaskBits]) {
    for (int i = 0; i < kMaskBits; ++i) maskBoxes[i]->SetValue(bits[i]);
}

std::string FieldText(const wxTextCtrl* field) { return field->GetValue().utf8_string(); }

void WriteFieldText(wxTextCtrl* field, const std::string& text) {
    field->SetValue(wxString::FromUTF8(text));
}

}  // namespace

void loggerDialog::OnMaskAllClear(wxCommandEvent&) {
    for (wxCheckBox* box : maskBoxes) box->SetValue(false);
}

void loggerDialog::OnMaskAllSet(wxCommandEvent&) {
    for (wxCheckBox* box : maskBoxes) box->SetValue(true);
}

void loggerDialog::OnMaskInvert(wxCommandEvent&) {
    for (wxCheckBox* box : maskBoxes) box->SetValue(!box->GetValue());
}

// The line under a calculator names the fields of its last run that took
// their default, and is empty after a run that read every field.
static void ShowCalcMessage(loggerDialog& dialog, wxStaticText* line,
                            const std::vector<std::string>& notes) {
    dialog.ShowWrapped(line, wxString::FromUTF8(JoinNotes(notes)));
}

void loggerDialog::OnMaskFromBoxes(wxCommandEvent&) {
    bool bits[kMaskBits];
    ReadMaskBoxes(bits);
    WriteFieldText(ID_TEXTCTRL6, MaskText(MaskFromBits(bits)));
    ShowCalcMessage(*this, maskMessage, {});  // the field holds a number again
}

void loggerDialog::OnMaskToBoxes(wxCommandEvent&) {
    bool bits[kMaskBits];
    std::vector<std::string> notes;
    MaskTextToBits(FieldText(ID_TEXTCTRL6), bits, &notes);
    WriteMaskBoxes(bits);
    ShowCalcMessage(*this, maskMessage, notes);
}

void loggerDialog::OnCalcIndicationFactor(wxCommandEvent&) {
    std::vector<std::string> notes;
    const std::optional<FactorResult> result =
        CalcIndicationFactor({FieldText(ID_TEXTCTRL21), FieldText(ID_TEXTCTRL65),
                              FieldText(ID_TEXTCTRL46), FieldText(ID_TEXTCTRL64)},
                             &notes);
    ShowCalcMessage(*this, indicationFactorMessage, notes);
    if (!result) return;
    WriteFieldText(ID_TEXTCTRL18, result->factor);
    WriteFieldText(ID_TEXTCTRL19, result->zeroOffset);
}

void loggerDialog::OnCalcNumericFactor(wxCommandEvent&) {
    std::vector<std::string> notes;
    const FactorResult result = CalcNumericFactor(
        {FieldText(ID_TEXTCTRL50), FieldText(ID_TEXTCTRL56), FieldText(ID_TEXTCTRL58),
         FieldText(ID_TEXTCTRL51), FieldText(ID_TEXTCTRL57), ID_CHECKBOX4->GetValue()},
        &notes);
    ShowCalcMessage(*this, numericFactorMessage, notes);
    WriteFieldText(ID_TEXTCTRL49, result.factor);
    WriteFieldText(ID_TEXTCTRL66, result.zeroOffset);
}

void loggerDialog::OnCopyDeviceMax(wxCommandEvent&) {
    ID_TEXTCTRL50->SetValue(ID_TEXTCTRL62->GetValue());
}
void loggerDialog::OnCopyDevCenter(wxCommandEvent&) {
    ID_TEXTCTRL56->SetValue(ID_TEXTCTRL62->GetValue());
}
void loggerDialog::OnCopyDeviceMin(wxCommandEvent&) {
    ID_TEXTCTRL58->SetValue(ID_TEXTCTRL62->GetValue());
}

void loggerDialog::OnNumericHasCenter(wxCommandEvent&) {
    const bool on = ID_CHECKBOX4->GetValue();
    ID_TEXTCTRL56->Enable(on);
    ID_BUTTON19->Enable(on);
}

// The axis capture buttons take the value field of the row that "Axis"
// selects; with no selection there is no row to copy from.
static void CopySelectedAxis(const wxChoice* axis, wxTextCtrl* target) {
    const int row = axis->GetSelection();
    if (row < 0 || row >= 16 || !axisFields[row]) return;
    target->SetValue(axisFields[row]->GetValue());
}

void loggerDialog::OnAxisCopyDeviceMax(wxCommandEvent&) {
    CopySelectedAxis(ID_CHOICE5, ID_TEXTCTRL44);
}
void loggerDialog::OnAxisCopyDevCenter(wxCommandEvent&) {
    CopySelectedAxis(ID_CHOICE5, ID_TEXTCTRL52);
}
void loggerDialog::OnAxisCopyDeviceMin(wxCommandEvent&) {
    CopySelectedAxis(ID_CHOICE5, ID_TEXTCTRL53);
}

void loggerDialog::OnAxisHasCenter(wxCommandEvent&) {
    const bool on = ID_CHECKBOX3->GetValue();
    ID_TEXTCTRL52->Enable(on);
    ID_BUTTON13->Enable(on);
}
