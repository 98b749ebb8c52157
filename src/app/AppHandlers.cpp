// Settings and shut-down of the main window.
#include <wx/config.h>
#include <wx/log.h>

#include <memory>

#include "app/Settings.h"
#include "console/Console.h"
#include "platform/Toolkit.h"
#include "ui/loggerDialog.h"

namespace {
// Keeps every problem of the settings store away from the user: messages of
// the file reader are dropped, and so are its assertions (a line with an
// empty key, such as "=x", trips one, which would show a message box).
class QuietSettingsAccess {
  public:
    QuietSettingsAccess() : previous_(wxSetAssertHandler(nullptr)) {}
    ~QuietSettingsAccess() { wxSetAssertHandler(previous_); }
    QuietSettingsAccess(const QuietSettingsAccess&) = delete;
    QuietSettingsAccess& operator=(const QuietSettingsAccess&) = delete;

  private:
    wxLogNull noMessages_;
    wxAssertHandler_t previous_;
};
}  // namespace

wxString ReadSetting(const wxString& name, const wxString& fallback) {
    QuietSettingsAccess quiet;
    return Toolkit::OpenSettings(false)->Read(name, fallback);
}

void WriteSetting(const wxString& name, const wxString& value) {
    QuietSettingsAccess quiet;
    auto config = Toolkit::OpenSettings(true);
    config->Write(name, value);
    config->Flush();
}

void loggerDialog::LoadSettings() {
    QuietSettingsAccess quiet;  // a missing, unreadable or corrupt file just gives the defaults
    auto config = Toolkit::OpenSettings(false);
    ID_COMBOBOX1->SetValue(config->Read("SerialPort", "Select port"));
    ID_COMBOBOX2->SetValue(config->Read("BaudRate", "115200"));
    ReconnectBox->SetValue(config->ReadBool("ReconnectAutomatically", true));
}

void loggerDialog::SaveSettings() {
    QuietSettingsAccess quiet;  // an unwritable folder loses the settings, nothing more
    auto config = Toolkit::OpenSettings(true);
    config->Write("SerialPort", wxString::FromUTF8(PortPath()));
    config->Write("BaudRate", ID_COMBOBOX2->GetValue());
    config->Flush();
}

void loggerDialog::SaveReconnectSetting() {
    QuietSettingsAccess quiet;
    auto config = Toolkit::OpenSettings(true);
    config->Write("ReconnectAutomatically", ReconnectBox->IsChecked());
    config->Flush();
}

void loggerDialog::OnQuit(wxCommandEvent&) {
    if (serial.IsOpen()) {
        SaveSettings();
        StopReceivers();
        ConsolePrintf("Port %s closed\n", PortPath().c_str());
    }
    KeepText();
    ConsolePrintf("Program closed\n");
    Close(false);
}

void loggerDialog::OnCloseWindow(wxCloseEvent& event) {
    // Closed by the close box or by Quit: the receive threads end first, and
    // what the user composed is kept for the next run.
    StopReceivers();
    KeepText();
    event.Skip();
}
