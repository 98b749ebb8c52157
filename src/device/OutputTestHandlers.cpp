// Placeholder bodies; replaced as the subsystem is built.
#include "ui/loggerDialog.h"

void loggerDialog::FillOutputFrames() {}
void loggerDialog::RefreshSegmentGrid() {}
void loggerDialog::RefreshLedGrid() {}
void loggerDialog::OnClearOutputs(wxCommandEvent&) {}
void loggerDialog::OnTestValue1(wxCommandEvent&) {}
void loggerDialog::OnTestValue2(wxCommandEvent&) {}
void loggerDialog::OnTestValue3(wxCommandEvent&) {}
