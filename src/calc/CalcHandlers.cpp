// Placeholder bodies; replaced as the subsystem is built.
#include "ui/loggerDialog.h"

void loggerDialog::OnMaskAllClear(wxCommandEvent&) {}
void loggerDialog::OnMaskAllSet(wxCommandEvent&) {}
void loggerDialog::OnMaskInvert(wxCommandEvent&) {}
void loggerDialog::OnMaskFromBoxes(wxCommandEvent&) {}
void loggerDialog::OnMaskToBoxes(wxCommandEvent&) {}
void loggerDialog::OnCalcIndicationFactor(wxCommandEvent&) {}
void loggerDialog::OnCalcNumericFactor(wxCommandEvent&) {}
void loggerDialog::OnCopyDeviceMax(wxCommandEvent&) {}
void loggerDialog::OnCopyDevCenter(wxCommandEvent&) {}
void loggerDialog::OnCopyDeviceMin(wxCommandEvent&) {}
void loggerDialog::OnNumericHasCenter(wxCommandEvent&) {}
void loggerDialog::OnAxisCopyDeviceMax(wxCommandEvent&) {}
void loggerDialog::OnAxisCopyDevCenter(wxCommandEvent&) {}
void loggerDialog::OnAxisCopyDeviceMin(wxCommandEvent&) {}
void loggerDialog::OnAxisHasCenter(wxCommandEvent&) {}
