// The port box of the Device panel.
#include "serial/PortEnumerator.h"
#include "ui/loggerDialog.h"

void loggerDialog::RefreshPortList() {
    ID_COMBOBOX1->Clear();
    for (const std::string& path : PortEnumerator::ListPorts()) {
        ID_COMBOBOX1->Append(wxString(path.c_str(), wxConvLibc));
    }
}

void loggerDialog::OnRefreshList(wxCommandEvent&) { RefreshPortList(); }
