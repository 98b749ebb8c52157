// Placeholder; replaced as the window is built.
#include "ui/loggerDialog.h"
wxPanel* loggerDialog::BuildDiscrCtrlsPage(wxNotebook*) { return nullptr; }
wxPanel* loggerDialog::BuildNumCtrlsPage(wxNotebook*) { return nullptr; }
