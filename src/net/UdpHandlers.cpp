// Placeholder bodies; replaced as the subsystem is built.
#include "ui/loggerDialog.h"

void loggerDialog::OnUdpStart(wxCommandEvent&) {}
void loggerDialog::OnUdpStop(wxCommandEvent&) {}
void loggerDialog::ProcessDatagram(const char*, int) {}
int OnDatagram(const char*, int) { return 0; }
