// The port box of the Device panel.
#include "ini/FieldText.h"
#include "serial/PortEnumerator.h"
#include "ui/loggerDialog.h"

void loggerDialog::RefreshPortList() {
    ID_COMBOBOX1->Clear();
    for (const std::string& path : PortEnumerator::ListPorts()) {
        ID_COMBOBOX1->Append(PieceText(path));  // device paths are UTF-8
    }
}

void loggerDialog::OnRefreshList(wxCommandEvent&) { RefreshPortList(); }
