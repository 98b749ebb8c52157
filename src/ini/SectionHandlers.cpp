// Placeholder bodies; replaced as the subsystem is built.
#include "ui/loggerDialog.h"

void loggerDialog::OnAddControlSection(wxCommandEvent&) {}
void loggerDialog::UpdateDiscreteFields() {}
void loggerDialog::DisableDiscreteFields() {}
void loggerDialog::OnDiscreteTypeChanged(wxCommandEvent&) {}
void loggerDialog::OnDataChoiceChanged(wxCommandEvent&) {}
void loggerDialog::OnDiscreteCtrlsPreset(wxCommandEvent&) {}
void loggerDialog::OnAddNumericSection(wxCommandEvent&) {}
void loggerDialog::OnNumericCtrlsPreset(wxCommandEvent&) {}
void loggerDialog::OnAddIndicationSection(wxCommandEvent&) {}
void loggerDialog::UpdateIndicationFields() {}
void loggerDialog::EnableIndicationFields() {}
void loggerDialog::DisableIndicationFields() {}
void loggerDialog::OnIndicationTypeChanged(wxCommandEvent&) {}
void loggerDialog::OnShowLeadingZeroes(wxCommandEvent&) {}
