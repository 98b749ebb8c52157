// Placeholder; replaced as the window is built.
#include "ui/loggerDialog.h"
void loggerDialog::BuildWindow() {}
wxSizer* loggerDialog::BuildLeftColumn() { return nullptr; }
wxSizer* loggerDialog::BuildDevicePanel() { return nullptr; }
