// The port box of the Device panel.
#include "ini/FieldText.h"
#include "serial/PortEnumerator.h"
#include "ui/loggerDialog.h"

namespace {
wxArrayString PortEntries() {
    wxArrayString entries;
    for (const PortEnumerator::Port& port : PortEnumerator::ListPorts())
        entries.Add(wxString::FromUTF8(PortEnumerator::EntryText(port)));
    return entries;
}
}  // namespace

void loggerDialog::RefreshPortList() {
    ID_COMBOBOX1->Clear();
    ID_COMBOBOX1->Append(PortEntries());
}

void loggerDialog::RefreshPortListKeepingText() {
    const wxArrayString entries = PortEntries();
    if (entries == ID_COMBOBOX1->GetStrings()) return;
    // Refilling the list clears the text too; what the user is typing, and
    // where, comes back as it was.
    const wxString text = ID_COMBOBOX1->GetValue();
    long from = 0, to = 0;
    ID_COMBOBOX1->GetSelection(&from, &to);
    const long insertion = ID_COMBOBOX1->GetInsertionPoint();
    ID_COMBOBOX1->Clear();
    ID_COMBOBOX1->Append(entries);
    ID_COMBOBOX1->ChangeValue(text);
    if (from != to)
        ID_COMBOBOX1->SetSelection(from, to);
    else
        ID_COMBOBOX1->SetInsertionPoint(insertion);
}

std::string loggerDialog::PortPath() const {
    return PortEnumerator::PathOfEntry(std::string(ID_COMBOBOX1->GetValue().utf8_str()));
}

void loggerDialog::OnRefreshList(wxCommandEvent&) { RefreshPortList(); }
