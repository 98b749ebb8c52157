// The ini file the results go to, on the real window: what the line under the
// result box and the control pages say of it as events come in from the
// board and over UDP and as the file changes on disk, and "Save…" with
// sections the file has already.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include "../net/Loopback.h"
#include "GuiTest.h"
#include "ScopedEnvironment.h"
#include "TempFolder.h"
#include "WindowTest.h"
#include "ui/Controls.h"
#include "ui/loggerDialog.h"

namespace {

std::string Text(wxStaticText* line) { return std::string(line->GetLabel().utf8_str()); }

class IniFilePanel : public WindowTest {
  protected:
    void SetUp() override {
        currentPage = 0;
        WindowTest::SetUp();
    }

    // As the serial reading thread hands bytes over.
    static void FromBoard(const std::string& bytes) {
        OnSerialReceive(bytes.data(), static_cast<int>(bytes.size()));
    }
    bool Shows(wxStaticText* line, const std::string& text) {
        const bool shown = PumpUntil([&] { return Text(line) == text; });
        EXPECT_EQ(Text(line), text);
        return shown;
    }
    void ShowPage(int page) {
        dialog->ID_NOTEBOOK1->SetSelection(static_cast<std::size_t>(page));
        ASSERT_TRUE(PumpUntil([&] { return currentPage == page; }));
    }
    // "Save…" is answered `choice`, after `meanwhile` (another program at
    // work while the question is open); the question is kept.
    void Answer(RepeatChoice choice, std::function<void()> meanwhile = {}) {
        question.clear();
        dialog->askAboutRepeats = [this, choice, meanwhile](const wxString& asked) {
            question = std::string(asked.utf8_str());
            if (meanwhile) meanwhile();
            return choice;
        };
    }
    std::string Bytes(const std::string& path) {
        std::string bytes;
        EXPECT_TRUE(ReadWholeFile(path, &bytes)) << path;
        return bytes;
    }
    // Puts `bytes` in place of the file at `path` in one step, as an editor
    // saves.
    void EditorSaves(const std::string& path, const std::string& bytes) {
        folder.Write("edited", bytes);
        ASSERT_EQ(std::rename((folder / "edited").c_str(), path.c_str()), 0);
    }

    const TempFolder folder;
    const ScopedEnvironment settings{"XDG_CONFIG_HOME", folder.Folder("config").c_str()};
    std::string question;
};

TEST_F(IniFilePanel, EventsSayWhetherTheirControlIsInTheFileAsItChanges) {
    loggerDialog& d = *dialog;
    const std::string file =
        folder.Write("cockpit.ini",
                     "; f\xfcr H\xf6he\r\n[Key0291]\r\nmode: discrete_event\r\n\r\n[Ind Gear]\r\n");
    FromBoard("{0123}");
    Shows(d.discreteInIni, "Key0291: no ini file chosen");
    EXPECT_EQ(Text(d.iniFileLine), "");

    d.ChooseIniFile(wxString::FromUTF8(file));  // what "Open ini…" does with the file chosen
    EXPECT_EQ(Text(d.iniFileLine), "cockpit.ini: 1 control section, 1 indication section");
    EXPECT_EQ(Text(d.discreteInIni), "Key0291: in cockpit.ini, line 2");
    EXPECT_EQ(GetAccessibleName(d.discreteInIni), "In the ini file");
    EXPECT_EQ(GetAccessibleName(d.iniFileLine), "Ini file");
    FromBoard("{0124}");
    Shows(d.discreteInIni, "Key0292: not in cockpit.ini yet");
    ShowPage(1);
    FromBoard("{A0120064}");
    Shows(d.numericInIni, "Key0018: not in cockpit.ini yet");
    EXPECT_EQ(Text(d.discreteInIni), "Key0292: not in cockpit.ini yet");

    ShowPage(0);
    const int port = loopback::FreePort();
    d.ID_TEXTCTRL47->ChangeValue(wxString::Format("%d", port));
    Click(d.ID_BUTTON22);
    ASSERT_TRUE(d.udpServer.IsListening());
    loopback::Sender(port).Send("{000123}");
    Shows(d.discreteInIni, "Key0291: in cockpit.ini, line 2");
    Click(d.ID_BUTTON23);

    // Edited on disk: read again, and the pages follow without a new event.
    EditorSaves(file, "[Ind Gear]\n\n[Key0018]\n[Key0291]\n");
    Shows(d.iniFileLine, "cockpit.ini: 2 control sections, 1 indication section");
    Shows(d.discreteInIni, "Key0291: in cockpit.ini, line 4");
    Shows(d.numericInIni, "Key0018: in cockpit.ini, line 3");

    // A file that cannot be read (here a link to itself, which stops the
    // superuser too) says why; what was read of it still holds.
    ASSERT_EQ(symlink("cockpit.ini", (folder / "loop").c_str()), 0);
    ASSERT_EQ(std::rename((folder / "loop").c_str(), file.c_str()), 0);
    Shows(d.iniFileLine, "cockpit.ini cannot be read: Too many levels of symbolic links");
    EXPECT_EQ(Text(d.discreteInIni), "Key0291: in cockpit.ini, line 4");
    EditorSaves(file, "[Key0018]\n");
    Shows(d.iniFileLine, "cockpit.ini: 1 control section, 0 indication sections");
    Shows(d.discreteInIni, "Key0291: not in cockpit.ini yet");
    unlink(file.c_str());
    Shows(d.iniFileLine, "cockpit.ini: not there yet; \"Save\xe2\x80\xa6\" makes it");

    // The next window reads the file it was given at its start.
    EditorSaves(file, "[Ind Gear]\n");
    auto* next = new loggerDialog();
    EXPECT_EQ(Text(next->iniFileLine), "cockpit.ini: 0 control sections, 1 indication section");
    next->Destroy();
    PumpEvents(20);
    theDialog = dialog;
}

// Refused, replaced and appended on request, in a CR LF file and an LF one
// whose last line has no end: every byte of the file but the replaced
// section's stays, a comment in a Windows code page among them.
TEST_F(IniFilePanel, SaveAsksBeforeRepeatingASectionAndReplacesOnlyIt) {
    loggerDialog& d = *dialog;
    const struct {
        const char* what;
        const char* eol;
        int lineEnds;  // "CR LF", "LF"
        const char* last;
    } rows[] = {{"CR LF", "\r\n", 0, "pos: 1\r\n"}, {"LF", "\n", 1, "pos: 1"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string n = row.eol;
        const std::string held = "; Datei f\xfcr H\xf6he" + n + n + "# lever" + n + "[Key0291]" +
                                 n + "mode: old" + n + n + "# gear" + n + "[Ind Gear]" + n +
                                 row.last;
        const std::string file = folder.Write(std::string("cockpit-") + row.what + ".ini", held);
        d.ChooseIniFile(wxString::FromUTF8(file));
        Select(d.lineEndsChoice, row.lineEnds);
        d.ID_TEXTCTRL7->ChangeValue("[Key0291]\nmode: new\n\n[Key0300]\nx: 1\n\n");

        Answer(RepeatChoice::kCancel);
        EXPECT_FALSE(d.SaveResultTo(wxString::FromUTF8(file)));
        EXPECT_NE(question.find("[Key0291]: cockpit-" + std::string(row.what) +
                                ".ini has it at line 4\n"),
                  std::string::npos)
            << question;
        EXPECT_EQ(Bytes(file), held);
        EXPECT_EQ(Text(d.resultMessage), "Not saved: " + file + " is as it was.");

        Answer(RepeatChoice::kReplace);
        ASSERT_TRUE(d.SaveResultTo(wxString::FromUTF8(file)));
        const std::string replaced =
            "; Datei f\xfcr H\xf6he" + n + n + "# lever" + n + "[Key0291]" + n + "mode: new" + n +
            n + "# gear" + n + "[Ind Gear]" + n + "pos: 1" + n + "[Key0300]" + n + "x: 1" + n + n;
        EXPECT_EQ(Bytes(file), replaced);
        EXPECT_EQ(Bytes(file + ".bak"), held);
        EXPECT_EQ(Text(d.resultMessage), "Saved: replaced 1 section and added 1 in " + file +
                                             "; the file as it was is in cockpit-" + row.what +
                                             ".ini.bak");
        EXPECT_EQ(Text(d.iniFileLine), "cockpit-" + std::string(row.what) +
                                           ".ini: 2 control sections, 1 indication section");

        Answer(RepeatChoice::kAppendAnyway);
        ASSERT_TRUE(d.SaveResultTo(wxString::FromUTF8(file)));
        EXPECT_EQ(Bytes(file), replaced + "[Key0291]" + n + "mode: new" + n + n + "[Key0300]" + n +
                                   "x: 1" + n + n);
        EXPECT_EQ(Bytes(file + ".bak"), held) << "appending keeps no copy";
    }
}

// What another program writes to the file while the question is open stays;
// a section the result holds twice is asked about too, and only its last
// one is written.
TEST_F(IniFilePanel, SaveKeepsAnEditMadeMeanwhile) {
    loggerDialog& d = *dialog;
    const std::string file = folder.Write("cockpit.ini", "[Key0291]\r\nmode: old\r\n\r\n");
    d.ChooseIniFile(wxString::FromUTF8(file));
    Select(d.lineEndsChoice, 0);
    d.ID_TEXTCTRL7->ChangeValue("[Key0291]\nmode: new\n\n");
    const std::string edited =
        "; by the hub's editor\r\n[Ind Gear]\r\npos: 1\r\n\r\n"
        "[Key0291]\r\nmode: old\r\n\r\n[Key0400]\r\n";
    Answer(RepeatChoice::kReplace, [&] { EditorSaves(file, edited); });
    ASSERT_TRUE(d.SaveResultTo(wxString::FromUTF8(file)));
    EXPECT_EQ(Bytes(file),
              "; by the hub's editor\r\n[Ind Gear]\r\npos: 1\r\n\r\n"
              "[Key0291]\r\nmode: new\r\n\r\n[Key0400]\r\n");
    EXPECT_EQ(Bytes(file + ".bak"), edited);

    const std::string fresh = folder / "fresh.ini";
    d.ID_TEXTCTRL7->ChangeValue("[Key0017]\nmode: a\n\n[Key0017]\nmode: b\n\n");
    Answer(RepeatChoice::kReplace);
    ASSERT_TRUE(d.SaveResultTo(wxString::FromUTF8(fresh)));
    EXPECT_NE(question.find("[Key0017]: the result holds it 2 times"), std::string::npos)
        << question;
    EXPECT_EQ(Bytes(fresh), "[Key0017]\r\nmode: b\r\n\r\n");
    EXPECT_EQ(Text(d.resultMessage), "Saved: replaced 0 sections and added 1 in " + fresh);
}

}  // namespace
