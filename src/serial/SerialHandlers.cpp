// Placeholder bodies; replaced as the subsystem is built.
#include "ui/loggerDialog.h"

void loggerDialog::RefreshPortList() {}
void loggerDialog::OnRefreshList(wxCommandEvent&) {}
