// Placeholder bodies; replaced as the subsystem is built.
#include "ui/loggerDialog.h"

void loggerDialog::OnDatarefTypeChanged(wxCommandEvent&) {}
void loggerDialog::OnAxisChoiceChanged(wxCommandEvent&) {}
