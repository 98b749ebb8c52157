// "Console ON/OFF" and the "Inputs only" filter.
#include "console/ConsoleWindow.h"
#include "platform/Toolkit.h"
#include "ui/loggerDialog.h"

namespace {

// The console window open for `dialog`, if any (one being destroyed does
// not count).
ConsoleWindow* OpenConsoleWindow(wxWindow* dialog) {
    for (wxWindow* child : dialog->GetChildren()) {
        auto* window = dynamic_cast<ConsoleWindow*>(child);
        if (window && !window->IsClosing()) return window;
    }
    return nullptr;
}

}  // namespace

void loggerDialog::OnConsoleToggle(wxCommandEvent&) {
    consoleOn ^= 1;
    if (consoleOn & 1) {
        if (!OpenConsoleWindow(this)) {
            auto* window = new ConsoleWindow(this);
            window->SetOnUserClose([this] {
                consoleOn &= ~1;
                ID_CHECKBOX2->Disable();
            });
            // The main window runs modally and takes the toolkit's input
            // grab, which would leave the console unable to scroll or select.
            Toolkit::KeepOwnInput(window);
            window->Show();
        }
        ID_CHECKBOX2->Enable();
    } else {
        if (ConsoleWindow* window = OpenConsoleWindow(this)) window->Destroy();
        ID_CHECKBOX2->Disable();  // its tick is kept for the next opening
    }
}

bool loggerDialog::InputsOnly() const { return ID_CHECKBOX2 && ID_CHECKBOX2->IsChecked(); }
