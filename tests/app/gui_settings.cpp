// The two stored settings (serial port and baud rate) and the two ways the
// window ends: "Quit" and the close box. Each test has a configuration
// folder of its own; problems with the settings file must give the defaults
// silently: no crash, no logged message (which the toolkit would show in a
// message box).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "GuiTest.h"
#include "console/Console.h"
#include "ui/loggerDialog.h"

namespace {

namespace fs = std::filesystem;

// Every message logged while it is the active log target.
class CollectingLog : public wxLog {
  public:
    std::vector<wxString> messages;

  protected:
    void DoLogRecord(wxLogLevel, const wxString& message, const wxLogRecordInfo&) override {
        messages.push_back(message);
    }
};

class CapturedOutput : public ConsoleSink {
  public:
    void Write(const ConsoleSpan& span) override {
        std::lock_guard<std::mutex> lock(mutex_);
        text_ += span.text;
    }
    std::string Text() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return text_;
    }

  private:
    mutable std::mutex mutex_;
    std::string text_;
};

class SettingsTest : public testing::Test {
  protected:
    void SetUp() override {
        char dir[] = "/tmp/brantle-settings-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        root = dir;
        UseConfigHome(root + "/config");
        fs::create_directory(configHome);
        previousLog = wxLog::SetActiveTarget(&log);
        wxLog::EnableLogging(true);
    }
    void TearDown() override {
        wxLog::SetActiveTarget(previousLog);
        std::error_code ignored;
        fs::permissions(configHome, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(root, ignored);
    }

    void UseConfigHome(const std::string& dir) {
        configHome = dir;
        setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
    }
    std::string SettingsFile() const { return configHome + "/BrantleConfigHelper.conf"; }
    void WriteSettings(const std::string& content) const {
        std::ofstream(SettingsFile(), std::ios::binary) << content;
    }
    std::string ReadSettings() const {
        std::ifstream in(SettingsFile(), std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }

    // A window as the program builds it, shown and settled.
    static std::unique_ptr<loggerDialog, void (*)(loggerDialog*)> OpenWindow() {
        auto* dialog = new loggerDialog();
        dialog->Show();
        PumpEvents(50);
        return {dialog, [](loggerDialog* d) {
                    d->Destroy();
                    PumpEvents(20);
                }};
    }

    // Nothing was logged, and no window but `dialog` (and none at all when it
    // is null) stands on the screen: a message box would be one.
    void ExpectSilence(wxWindow* dialog) {
        PumpEvents(50);
        for (const wxString& message : log.messages) ADD_FAILURE() << "logged: " << message;
        for (wxWindow* window : wxTopLevelWindows) {
            if (window != dialog && window->IsShown())
                ADD_FAILURE() << "a window besides the main one: " << window->GetLabel();
        }
    }

    std::string root;
    std::string configHome;
    CollectingLog log;
    wxLog* previousLog = nullptr;
};

// A port that has gone away is still shown; anything that cannot be read
// gives the defaults.
struct LoadRow {
    const char* what;
    void (*prepare)(const std::string& configHome, const std::string& file);
    const char* port;
    const char* baud;
};

const LoadRow kLoadRows[] = {
    {"first start", [](const std::string&, const std::string&) {}, "Select port", "115200"},
    {"stored port not present",
     [](const std::string&, const std::string& file) {
         std::ofstream(file) << "SerialPort=/dev/ttyBRANTLEGONE\nBaudRate=115200\n";
     },
     "/dev/ttyBRANTLEGONE", "115200"},
    {"stored baud rate 9600",
     [](const std::string&, const std::string& file) { std::ofstream(file) << "BaudRate=9600\n"; },
     "Select port", "9600"},
    {"corrupt file",
     [](const std::string&, const std::string& file) {
         std::ofstream(file, std::ios::binary)
             << "\x01\xff\xfe[[[\n=\n[Unclosed\nSerialPort\n\x80\x81 no equals sign\n";
     },
     "Select port", "115200"},
    {"a line with an empty key beside good ones",
     [](const std::string&, const std::string& file) {
         std::ofstream(file) << "=x\nSerialPort=/dev/ttyS9\n";
     },
     "/dev/ttyS9", "115200"},
    {"a folder in place of the file",
     [](const std::string&, const std::string& file) { fs::create_directory(file); }, "Select port",
     "115200"},
    {"configuration folder is a file",
     [](const std::string& configHome, const std::string&) {
         fs::remove(configHome);
         std::ofstream(configHome) << "not a folder\n";
     },
     "Select port", "115200"},
};

TEST_F(SettingsTest, LoadShowsStoredValuesOrTheDefaultsSilently) {
    for (const LoadRow& row : kLoadRows) {
        SCOPED_TRACE(row.what);
        UseConfigHome(root + "/" + std::to_string(&row - kLoadRows));
        fs::create_directory(configHome);
        log.messages.clear();
        row.prepare(configHome, SettingsFile());
        auto dialog = OpenWindow();
        EXPECT_EQ(dialog->ID_COMBOBOX1->GetValue(), row.port);
        EXPECT_EQ(dialog->ID_COMBOBOX2->GetValue(), row.baud);
        // The list holds present ports only, whatever was stored.
        EXPECT_EQ(dialog->ID_COMBOBOX1->FindString(row.port, true), wxNOT_FOUND);
        EXPECT_FALSE(dialog->ID_COMBOBOX2->IsEnabled());
        ExpectSilence(dialog.get());
    }
}

// Saving over a damaged file works too, in a folder and with a port named
// outside ASCII, under the "C" locale.
TEST_F(SettingsTest, SavedSettingsAreShownByTheNextWindow) {
    const std::string locale = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
    UseConfigHome(root + "/K\xc3\xb6nfig");
    fs::create_directory(configHome);
    WriteSettings("=damaged\n[\n");
    {
        auto dialog = OpenWindow();
        dialog->ID_COMBOBOX1->SetValue(wxString::FromUTF8("/dev/ttyS7\xc3\xbc"));
        dialog->ID_COMBOBOX2->SetValue("9600");
        dialog->SaveSettings();
    }
    const std::string stored = ReadSettings();
    const auto port = stored.find("SerialPort=/dev/ttyS7\xc3\xbc");
    const auto baud = stored.find("BaudRate=9600");
    ASSERT_NE(port, std::string::npos) << stored;
    ASSERT_NE(baud, std::string::npos) << stored;
    EXPECT_LT(port, baud);  // the port is written first

    auto dialog = OpenWindow();
    EXPECT_EQ(dialog->ID_COMBOBOX1->GetValue(), wxString::FromUTF8("/dev/ttyS7\xc3\xbc"));
    EXPECT_EQ(dialog->ID_COMBOBOX2->GetValue(), "9600");
    ExpectSilence(dialog.get());
    std::setlocale(LC_ALL, locale.c_str());
}

// A configuration folder that cannot be created, or one that is read-only:
// the settings are lost, nothing else happens.
TEST_F(SettingsTest, SaveToAnUnwritablePlaceIsSilent) {
    const std::string blocker = root + "/blocker";
    std::ofstream(blocker) << "a file where a folder should be\n";
    UseConfigHome(blocker + "/config");
    {
        auto dialog = OpenWindow();
        dialog->ID_COMBOBOX1->SetValue("/dev/ttyS1");
        dialog->SaveSettings();
        ExpectSilence(dialog.get());
    }
    EXPECT_FALSE(fs::exists(SettingsFile()));

    UseConfigHome(root + "/readonly");
    fs::create_directory(configHome);
    fs::permissions(configHome, fs::perms::owner_read | fs::perms::owner_exec);
    {
        auto dialog = OpenWindow();
        dialog->ID_COMBOBOX1->SetValue("/dev/ttyS2");
        dialog->SaveSettings();
        ExpectSilence(dialog.get());
    }
    // Permissions do not bind the superuser; for anyone else nothing is written.
    if (geteuid() != 0) {
        EXPECT_FALSE(fs::exists(SettingsFile()));
    }
}

// "Quit" with no port open prints one line and ends the modal loop, leaving
// the stored settings as they were; the close box ends it without a word.
TEST_F(SettingsTest, QuitAndCloseBoxEndTheModalWindow) {
    struct Row {
        const char* what;
        void (*end)(loggerDialog*);
        const char* output;
    };
    const Row rows[] = {
        {"Quit", [](loggerDialog* d) { Click(d->ID_BUTTON3); }, "Program closed\n"},
        {"close box", [](loggerDialog* d) { d->Close(); }, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        WriteSettings("SerialPort=/dev/ttyS3\nBaudRate=9600\n");
        const std::string before = ReadSettings();

        auto* dialog = new loggerDialog();
        // What the user composed is kept for the next run either way.
        dialog->ID_TEXTCTRL7->ChangeValue(wxString::FromUTF8("[Ind H\xc3\xb6he]\r\n"));
        CapturedOutput output;
        AddConsoleSink(&output);
        bool timedOut = false;
        wxTimer guard;
        guard.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            timedOut = true;
            dialog->EndModal(wxID_ABORT);
        });
        guard.StartOnce(5000);
        dialog->CallAfter([dialog, &row] { row.end(dialog); });
        dialog->ShowModal();
        guard.Stop();
        RemoveConsoleSink(&output);

        EXPECT_FALSE(timedOut) << "the modal loop did not end";
        EXPECT_FALSE(dialog->IsShown());
        EXPECT_EQ(output.Text(), row.output);
        EXPECT_EQ(ReadSettings(), before);
        std::ifstream kept(std::string(getenv("XDG_STATE_HOME")) +
                           "/BrantleConfigHelper/result.txt");
        std::ostringstream keptText;
        keptText << kept.rdbuf();
        EXPECT_EQ(keptText.str(), "[Ind H\xc3\xb6he]\r\n");
        fs::remove_all(std::string(getenv("XDG_STATE_HOME")) + "/BrantleConfigHelper");
        dialog->Destroy();
        PumpEvents(20);
        ExpectSilence(nullptr);
    }
}

}  // namespace
