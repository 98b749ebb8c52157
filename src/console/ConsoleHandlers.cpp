// Placeholder bodies; replaced as the subsystem is built.
#include "ui/loggerDialog.h"

void loggerDialog::OnConsoleToggle(wxCommandEvent&) {}
bool loggerDialog::InputsOnly() const { return ID_CHECKBOX2 && ID_CHECKBOX2->IsChecked(); }
