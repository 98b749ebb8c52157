// Placeholder; replaced as the window is built.
#include "ui/loggerDialog.h"
wxPanel* loggerDialog::BuildIndicationPage(wxNotebook*) { return nullptr; }
wxPanel* loggerDialog::BuildAlphNumPage(wxNotebook*) { return nullptr; }
wxPanel* loggerDialog::BuildDiscreteIndicPage(wxNotebook*) { return nullptr; }
wxPanel* loggerDialog::BuildAxesPage(wxNotebook*) { return nullptr; }
