// Placeholder bodies; replaced as the subsystem is built.
#include "ui/loggerDialog.h"

void loggerDialog::OnOpenPort(wxCommandEvent&) {}
void loggerDialog::OnClosePort(wxCommandEvent&) {}
void loggerDialog::OnResetBoard(wxCommandEvent&) {}
void loggerDialog::OnResetTimer(wxTimerEvent&) {}
void loggerDialog::OnPollTimer(wxTimerEvent&) {}
void loggerDialog::ProcessSerialBytes(const char*, int) {}
int OnSerialReceive(const char*, int) { return 0; }
