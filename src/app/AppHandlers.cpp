// Settings and shut-down of the main window.
#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/log.h>

#include <cstdlib>
#include <memory>

#include "app/Settings.h"
#include "console/Console.h"
#include "ini/FieldText.h"
#include "ui/loggerDialog.h"

namespace {
// The settings file: $XDG_CONFIG_HOME/BrantleConfigHelper.conf, or
// ~/.config/BrantleConfigHelper.conf when that is not set. The system-wide
// file is read as a fallback.
// Environment values and paths are UTF-8 bytes whatever the locale.
wxString SettingsPath() {
    const char* dir = getenv("XDG_CONFIG_HOME");
    if (dir != nullptr && dir[0] != '\0') return PieceText(dir) + "/BrantleConfigHelper.conf";
    const char* home = getenv("HOME");
    return PieceText(home != nullptr ? home : "") + "/.config/BrantleConfigHelper.conf";
}

// Keeps every problem of the settings file away from the user: messages of
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

std::unique_ptr<wxFileConfig> OpenSettings() {
    return std::make_unique<wxFileConfig>(
        "BrantleConfigHelper", wxEmptyString, SettingsPath(), wxEmptyString,
        wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_GLOBAL_FILE, wxConvUTF8);
}
}  // namespace

wxString ReadSetting(const wxString& name, const wxString& fallback) {
    QuietSettingsAccess quiet;
    return OpenSettings()->Read(name, fallback);
}

void WriteSetting(const wxString& name, const wxString& value) {
    QuietSettingsAccess quiet;
    wxFileName::Mkdir(wxFileName(SettingsPath()).GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    auto config = OpenSettings();
    config->Write(name, value);
    config->Flush();
}

void loggerDialog::LoadSettings() {
    QuietSettingsAccess quiet;  // a missing, unreadable or corrupt file just gives the defaults
    auto config = OpenSettings();
    ID_COMBOBOX1->SetValue(config->Read("SerialPort", "Select port"));
    ID_COMBOBOX2->SetValue(config->Read("BaudRate", "115200"));
    ReconnectBox->SetValue(config->ReadBool("ReconnectAutomatically", true));
}

void loggerDialog::SaveSettings() {
    QuietSettingsAccess quiet;  // an unwritable folder loses the settings, nothing more
    wxFileName::Mkdir(wxFileName(SettingsPath()).GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    auto config = OpenSettings();
    config->Write("SerialPort", wxString::FromUTF8(PortPath()));
    config->Write("BaudRate", ID_COMBOBOX2->GetValue());
    config->Flush();
}

void loggerDialog::SaveReconnectSetting() {
    QuietSettingsAccess quiet;
    wxFileName::Mkdir(wxFileName(SettingsPath()).GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    auto config = OpenSettings();
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
