// The section pages on the real window: enable rules, presets, and composing
// into the result box by pressing the buttons.
#include <gtest/gtest.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/radiobox.h>

#include <algorithm>
#include <clocale>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "GuiTest.h"
#include "MessageLine.h"
#include "ScopedEnvironment.h"
#include "platform/Files.h"
#include "ui/Controls.h"
#include "ui/loggerDialog.h"

namespace {

class SectionPages : public testing::Test {
  protected:
    void SetUp() override {
        dialog = new loggerDialog();
        dialog->Show();
        PumpEvents(50);
    }
    void TearDown() override {
        dialog->Destroy();
        PumpEvents(20);
    }

    // The result box's text as UTF-8 bytes.
    std::string Result() const {
        const wxString text = dialog->ID_TEXTCTRL7->GetValue();
        const wxScopedCharBuffer utf8 = text.utf8_str();  // points into `text`
        return std::string(utf8.data(), utf8.length());
    }

    static std::vector<bool> Enabled(std::initializer_list<wxWindow*> windows) {
        std::vector<bool> states;
        for (wxWindow* w : windows) states.push_back(w->IsEnabled());
        return states;
    }

    // "0:", "1:", "Mask:", "Min:", "Max:", "Increment:", "Cycling options", "<Ctrls"
    std::vector<bool> DiscreteStates() const {
        loggerDialog& d = *dialog;
        return Enabled({d.ID_TEXTCTRL9, d.ID_TEXTCTRL8, d.ID_TEXTCTRL6, d.ID_TEXTCTRL3,
                        d.ID_TEXTCTRL4, d.ID_TEXTCTRL5, d.ID_RADIOBOX1, d.ID_BUTTON31});
    }
    // "*Device:", "**Position:", "Length:", "Factor:", "Zero Offset:", "Mask:",
    // "Show leading zeroes"
    std::vector<bool> IndicationStates() const {
        loggerDialog& d = *dialog;
        return Enabled({d.ID_TEXTCTRL14, d.ID_TEXTCTRL15, d.ID_TEXTCTRL16, d.ID_TEXTCTRL18,
                        d.ID_TEXTCTRL19, d.ID_TEXTCTRL20, d.ID_CHECKBOX1});
    }

    loggerDialog* dialog = nullptr;
};

using States = std::vector<bool>;
const bool T = true, F = false;

TEST_F(SectionPages, EnableRulesAfterConstruction) {
    EXPECT_EQ(dialog->ID_CHOICE2->GetSelection(), 1);
    EXPECT_EQ(DiscreteStates(), (States{T, T, T, F, F, F, F, F}));
    EXPECT_EQ(dialog->ID_RADIOBOX1->GetSelection(), 0);
    EXPECT_EQ(dialog->ID_CHOICE4->GetSelection(), 1);
    EXPECT_EQ(IndicationStates(), (States{F, T, F, F, F, T, F}));
    EXPECT_TRUE(dialog->ID_TEXTCTRL67->IsEnabled());
    EXPECT_TRUE(dialog->ID_STATICTEXT114->IsEnabled());
    EXPECT_EQ(dialog->ID_TEXTCTRL7->GetValue(), "");
}

TEST_F(SectionPages, DiscreteFieldsFollowTheControlType) {
    loggerDialog& d = *dialog;
    wxTextCtrl* fields[] = {d.ID_TEXTCTRL9, d.ID_TEXTCTRL8, d.ID_TEXTCTRL6,
                            d.ID_TEXTCTRL3, d.ID_TEXTCTRL4, d.ID_TEXTCTRL5};
    for (wxTextCtrl* field : fields) field->ChangeValue("12");
    const std::pair<int, States> cases[] = {
        {0, {F, F, F, F, F, F, F, F}}, {2, {F, F, F, T, T, T, T, F}}, {3, {F, T, T, F, F, F, F, T}},
        {4, {F, F, F, T, T, T, T, F}}, {1, {T, T, T, F, F, F, F, F}}, {0, {F, F, F, F, F, F, F, F}},
    };
    for (const auto& [type, states] : cases) {
        d.ID_RADIOBOX1->SetSelection(1);  // "Limits"
        Select(d.ID_CHOICE2, type);
        EXPECT_EQ(DiscreteStates(), states) << "type " << type;
        const bool cycling = type == 2 || type == 4;
        EXPECT_EQ(d.ID_RADIOBOX1->GetSelection(), cycling ? 0 : 1) << "type " << type;
        for (wxTextCtrl* field : fields) EXPECT_EQ(field->GetValue(), "12") << "type " << type;
    }
}

// Every data choice of the three section pages re-applies the DiscrCtrls
// rule, which puts the cycling option back to "Loop" for types 2 and 4.
TEST_F(SectionPages, DataChoicesResetTheCyclingOptionToLoop) {
    loggerDialog& d = *dialog;
    Select(d.ID_CHOICE2, 4);
    for (wxChoice* choice : {d.ID_CHOICE1, d.ID_CHOICE8, d.ID_CHOICE11, d.ID_CHOICE9, d.ID_CHOICE12,
                             d.ID_CHOICE3, d.ID_CHOICE13}) {
        d.ID_RADIOBOX1->SetSelection(1);
        Select(choice, 1);
        EXPECT_EQ(d.ID_RADIOBOX1->GetSelection(), 0) << choice->GetName();
        EXPECT_EQ(DiscreteStates(), (States{F, F, F, T, T, T, T, F})) << choice->GetName();
    }
    // With another type the option is left alone.
    Select(d.ID_CHOICE2, 3);
    d.ID_RADIOBOX1->SetSelection(1);
    Select(d.ID_CHOICE8, 2);
    EXPECT_EQ(d.ID_RADIOBOX1->GetSelection(), 1);
}

TEST_F(SectionPages, LimitsThenASizeChangeComposesALoopSection) {
    loggerDialog& d = *dialog;
    d.ID_TEXTCTRL2->ChangeValue("");
    Select(d.ID_CHOICE2, 4);
    d.ID_RADIOBOX1->SetSelection(1);
    Click(d.ID_BUTTON5);
    Select(d.ID_CHOICE8, 2);
    Click(d.ID_BUTTON5);
    const std::string text = Result();
    const auto first = text.find("mode: discrete_limit_event\r\n");
    const auto second = text.find("mode: discrete_loop_event\r\n");
    ASSERT_NE(first, std::string::npos) << text;
    ASSERT_NE(second, std::string::npos) << text;
    EXPECT_LT(first, second);
}

TEST_F(SectionPages, IndicationFieldsFollowTheIndicationType) {
    loggerDialog& d = *dialog;
    d.ID_TEXTCTRL14->ChangeValue("3");
    d.ID_TEXTCTRL20->ChangeValue("255");
    Select(d.ID_CHOICE4, 0);
    EXPECT_EQ(IndicationStates(), (States{T, T, T, T, T, F, T}));
    Select(d.ID_CHOICE4, 1);
    EXPECT_EQ(IndicationStates(), (States{F, T, F, F, F, T, F}));
    Select(d.ID_CHOICE4, 0);
    EXPECT_EQ(IndicationStates(), (States{T, T, T, T, T, F, T}));
    EXPECT_EQ(d.ID_TEXTCTRL14->GetValue(), "3");
    EXPECT_EQ(d.ID_TEXTCTRL20->GetValue(), "255");
    // The data choices of the page leave these fields alone.
    Select(d.ID_CHOICE3, 2);
    EXPECT_EQ(IndicationStates(), (States{T, T, T, T, T, F, T}));
}

TEST_F(SectionPages, DiscreteControlsPreset) {
    loggerDialog& d = *dialog;
    Select(d.ID_CHOICE2, 3);
    ASSERT_TRUE(d.ID_BUTTON31->IsEnabled());
    d.ID_TEXTCTRL2->ChangeValue("");
    d.ID_TEXTCTRL10->ChangeValue("17");
    d.ID_TEXTCTRL1->ChangeValue("66C0");
    d.ID_TEXTCTRL8->ChangeValue("66587");
    d.ID_TEXTCTRL6->ChangeValue("255");
    Select(d.ID_CHOICE1, 2);
    Select(d.ID_CHOICE8, 0);
    Select(d.ID_CHOICE11, 1);

    Click(d.ID_BUTTON31);
    EXPECT_EQ(d.ID_TEXTCTRL1->GetValue(), "3110");
    EXPECT_EQ(d.ID_CHOICE1->GetSelection(), 0);
    EXPECT_EQ(d.ID_CHOICE8->GetSelection(), 3);
    EXPECT_EQ(d.ID_CHOICE11->GetSelection(), 0);
    EXPECT_FALSE(d.ID_TEXTCTRL6->IsEnabled());
    EXPECT_EQ(d.ID_TEXTCTRL6->GetValue(), "");

    Click(d.ID_BUTTON5);
    EXPECT_EQ(Result(),
              "[Key0017]\r\nmode: discrete_event\r\noffset: 3110\r\nsize: 8\r\ntype: int\r\n"
              "1: 66587\r\n\r\n");
    // The mask field comes back with the next run of the rule.
    Select(d.ID_CHOICE11, 0);
    EXPECT_TRUE(d.ID_TEXTCTRL6->IsEnabled());
}

TEST_F(SectionPages, NumericControlsPreset) {
    loggerDialog& d = *dialog;
    d.ID_TEXTCTRL67->Disable();  // as after any page change
    d.ID_STATICTEXT114->Disable();
    Select(d.ID_CHOICE9, 2);
    Select(d.ID_CHOICE7, 0);
    Select(d.ID_CHOICE12, 1);

    Click(d.ID_BUTTON32);
    EXPECT_EQ(d.ID_TEXTCTRL17->GetValue(), "3110");
    EXPECT_EQ(d.ID_CHOICE9->GetSelection(), 0);
    EXPECT_EQ(d.ID_CHOICE7->GetSelection(), 3);
    EXPECT_EQ(d.ID_CHOICE12->GetSelection(), 0);
    EXPECT_TRUE(d.ID_TEXTCTRL67->IsEnabled());
    EXPECT_TRUE(d.ID_STATICTEXT114->IsEnabled());
}

// Fill the DiscrCtrls page, press "Add control section" twice: the box gets
// two complete sections with CR LF line ends, the first one untouched.
TEST_F(SectionPages, AddControlSectionAppendsToTheResultBox) {
    loggerDialog& d = *dialog;
    d.ID_TEXTCTRL2->ChangeValue("Gear lever");
    d.ID_TEXTCTRL10->ChangeValue("17");
    Select(d.ID_CHOICE2, 1);
    d.ID_TEXTCTRL1->ChangeValue("66C0");
    Select(d.ID_CHOICE8, 0);
    Select(d.ID_CHOICE1, 0);
    d.ID_TEXTCTRL9->ChangeValue("0");
    d.ID_TEXTCTRL8->ChangeValue("1");
    d.ID_TEXTCTRL6->ChangeValue("");
    Click(d.ID_BUTTON5);
    const std::string first =
        "#############\r\n# Gear lever\r\n#############\r\n"
        "[Key0017]\r\nmode: discrete_event\r\noffset: 66C0\r\nsize:1\r\ntype: int\r\n"
        "0: 0\r\n1: 1\r\n\r\n";
    EXPECT_EQ(Result(), first);

    d.ID_TEXTCTRL2->ChangeValue("Some comment (remove all to omit comments)\nmore");
    d.ID_TEXTCTRL10->ChangeValue("-3");
    d.ID_TEXTCTRL6->ChangeValue("-1");
    Select(d.ID_CHOICE11, 1);
    Click(d.ID_BUTTON5);
    EXPECT_EQ(Result(),
              first +
                  "[Key-003]\r\nmode: discrete_event\r\noffset: 66C0\r\nsize:1\r\n"
                  "type: int\r\n0: 0\r\n1: 1\r\nmask: 4294967295\r\nencoding: bcd\r\n\r\n");

    // What the user copies out is the same bytes, CR LF included.
    d.ID_TEXTCTRL7->SetFocus();
    d.ID_TEXTCTRL7->SelectAll();
    d.ID_TEXTCTRL7->Copy();
    PumpEvents(50);
    wxTextDataObject copied;
    ASSERT_TRUE(wxTheClipboard->Open());
    const bool got = wxTheClipboard->GetData(copied);
    wxTheClipboard->Close();
    ASSERT_TRUE(got);
    EXPECT_EQ(std::string(copied.GetText().utf8_str()), Result());
}

// Fill the Indication and NumCtrls pages and press their buttons; remarks
// with an empty line between two lines go ahead of each section.
TEST_F(SectionPages, AddIndicationAndNumericSections) {
    loggerDialog& d = *dialog;
    d.ID_TEXTCTRL2->ChangeValue("Flaps\n\nup/down");
    Select(d.ID_CHOICE4, 0);
    d.ID_TEXTCTRL11->ChangeValue("3324");
    Select(d.ID_CHOICE3, 0);
    Select(d.ID_CHOICE10, 2);
    d.ID_TEXTCTRL13->ChangeValue("Altitude");
    d.ID_TEXTCTRL14->ChangeValue("0");
    d.ID_TEXTCTRL15->ChangeValue("0");
    d.ID_TEXTCTRL16->ChangeValue("5");
    d.ID_TEXTCTRL18->ChangeValue("abc");
    d.ID_TEXTCTRL20->ChangeValue("7");  // not read by the numeric form
    Tick(d.ID_CHECKBOX1, true);
    Click(d.ID_BUTTON6);

    d.ID_TEXTCTRL60->ChangeValue("5");
    Click(d.ID_BUTTON32);  // "<Ctrls"
    d.ID_TEXTCTRL67->ChangeValue("65820");
    d.ID_TEXTCTRL49->ChangeValue("0.1");
    d.ID_TEXTCTRL66->ChangeValue("512");
    Click(d.ID_BUTTON21);

    const std::string comment = "##########\r\n# Flaps\r\n# \r\n# up/down\r\n##########\r\n";
    EXPECT_EQ(Result(), comment +
                            "[Ind Altitude]\r\nmode: numeric_polling\r\noffset: 3324\r\n"
                            "size: 4\r\ntype: int\r\ndevadr: 0\r\npos: 0\r\nlen: 5\r\n"
                            "factor: 0.000000e+000\r\noptions: 1\r\n\r\n" +
                            comment +
                            "[Key0005]\r\nmode: numeric_event\r\noffset: 3110\r\ntype: int\r\n"
                            "size: 8\r\ncontrol: 65820\r\nfactor: 1.000000e-001\r\n"
                            "zero_offset: 5.120000e+002\r\n\r\n");
}

// A number field that took its default is named under the result box, with
// its text and the value used; the section is the same as ever, and the next
// one whose fields are all read takes the note away.
TEST_F(SectionPages, TheMessageNamesTheFieldThatTookItsDefault) {
    loggerDialog& d = *dialog;
    d.ID_TEXTCTRL2->ChangeValue("");
    d.ID_TEXTCTRL10->ChangeValue("12 ");
    d.ID_TEXTCTRL1->ChangeValue("66C0");
    d.ID_TEXTCTRL9->ChangeValue("0");
    d.ID_TEXTCTRL8->ChangeValue("1");
    Click(d.ID_BUTTON5);
    const std::string section =
        "mode: discrete_event\r\noffset: 66C0\r\nsize:2\r\ntype: int\r\n0: 0\r\n1: 1\r\n\r\n";
    EXPECT_EQ(Result(), "[Key0000]\r\n" + section);
    EXPECT_EQ(LineText(d.resultMessage), "EvID(decimal) \"12 \" is not a whole number: 0 used");
    EXPECT_TRUE(ShowsWhole(d.resultMessage));

    d.ID_TEXTCTRL10->ChangeValue("12");
    Click(d.ID_BUTTON5);
    EXPECT_EQ(Result(), "[Key0000]\r\n" + section + "[Key0012]\r\n" + section);
    EXPECT_EQ(LineText(d.resultMessage), "");

    // Five notes at once break into rows, every word of them shown.
    Select(d.ID_CHOICE2, 2);
    d.ID_TEXTCTRL10->ChangeValue("12345678901234567890123456");
    d.ID_TEXTCTRL3->ChangeValue("abcdefghijklmnopqrstuvwxyz");
    d.ID_TEXTCTRL4->ChangeValue("1 2 3 4 5 6 7 8 9 10 11 12");
    d.ID_TEXTCTRL5->ChangeValue("0x10");
    d.ID_TEXTCTRL6->ChangeValue("99999999999999999999999");
    Click(d.ID_BUTTON5);
    PumpEvents(50);
    const std::string notes = LineText(d.resultMessage);
    EXPECT_EQ(std::count(notes.begin(), notes.end(), ';'), 4) << notes;
    EXPECT_TRUE(ShowsWhole(d.resultMessage));
    // Another message is one line again.
    d.ShowResultMessage("Copied to the clipboard.");
    PumpEvents(50);
    EXPECT_EQ(d.resultMessage->GetSize().y, d.resultMessage->GetCharHeight());
}

// The notes name each number field under the caption the window shows and
// assistive technology finds it by.
TEST_F(SectionPages, NotesNameFieldsByTheirCaptions) {
    loggerDialog& d = *dialog;
    d.ID_TEXTCTRL10->ChangeValue("1");
    d.ID_TEXTCTRL60->ChangeValue("1");
    const struct {
        wxChoice* type;
        int index;
        wxTextCtrl* field;
        wxButton* compose;
        const char* why;
    } rows[] = {
        {d.ID_CHOICE2, 1, d.ID_TEXTCTRL10, d.ID_BUTTON5, "is not a whole number: 0 used"},
        {d.ID_CHOICE2, 1, d.ID_TEXTCTRL9, d.ID_BUTTON5, "is not a whole number: 0 used"},
        {d.ID_CHOICE2, 1, d.ID_TEXTCTRL8, d.ID_BUTTON5, "is not a whole number: 0 used"},
        {d.ID_CHOICE2, 1, d.ID_TEXTCTRL6, d.ID_BUTTON5, "is not a whole number: 0 used"},
        {d.ID_CHOICE2, 2, d.ID_TEXTCTRL3, d.ID_BUTTON5, "is not a whole number: 0 used"},
        {d.ID_CHOICE2, 2, d.ID_TEXTCTRL4, d.ID_BUTTON5, "is not a whole number: 0 used"},
        {d.ID_CHOICE2, 2, d.ID_TEXTCTRL5, d.ID_BUTTON5, "is not a whole number: 0 used"},
        {d.ID_CHOICE2, 1, d.ID_TEXTCTRL60, d.ID_BUTTON21, "is not a whole number: 0 used"},
        {d.ID_CHOICE2, 1, d.ID_TEXTCTRL49, d.ID_BUTTON21, "is not a number: 1 used"},
        {d.ID_CHOICE2, 1, d.ID_TEXTCTRL66, d.ID_BUTTON21, "is not a number: 0 used"},
        {d.ID_CHOICE4, 0, d.ID_TEXTCTRL14, d.ID_BUTTON6, "is not a whole number: 0 used"},
        {d.ID_CHOICE4, 0, d.ID_TEXTCTRL15, d.ID_BUTTON6, "is not a whole number: 0 used"},
        {d.ID_CHOICE4, 0, d.ID_TEXTCTRL16, d.ID_BUTTON6, "is not a whole number: 0 used"},
        {d.ID_CHOICE4, 0, d.ID_TEXTCTRL18, d.ID_BUTTON6, "is not a number: 0 used"},
        {d.ID_CHOICE4, 0, d.ID_TEXTCTRL19, d.ID_BUTTON6, "is not a number: 0 used"},
        {d.ID_CHOICE4, 1, d.ID_TEXTCTRL20, d.ID_BUTTON6, "is not a whole number: 0 used"},
    };
    for (const auto& row : rows) {
        Select(row.type, row.index);
        const wxString kept = row.field->GetValue();
        row.field->ChangeValue("x");
        Click(row.compose);
        EXPECT_EQ(LineText(d.resultMessage),
                  (GetAccessibleName(row.field) + " \"x\" " + row.why).utf8_string());
        row.field->ChangeValue(kept);
    }
}

// Text outside ASCII in every text field reaches the sections as UTF-8,
// byte for byte, whatever the locale ("C" used to empty it); the rule counts
// characters. A text UTF-8 cannot carry adds no section and says so.
TEST_F(SectionPages, NonAsciiTextsInEveryFieldUnderAnyLocale) {
    loggerDialog& d = *dialog;
    const auto utf8 = [](const char* bytes) { return wxString::FromUTF8(bytes); };
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    for (const char* locale : {"C", "C.UTF-8"}) {
        SCOPED_TRACE(locale);
        ASSERT_NE(std::setlocale(LC_ALL, locale), nullptr);
        d.ID_TEXTCTRL7->ChangeValue("");
        d.ID_TEXTCTRL2->ChangeValue(
            utf8("Gear lever\nH\xc3\xb6he \xc3\xbc"
                 "ber 3\xc2\xb0"));
        d.ID_TEXTCTRL10->ChangeValue("17");
        d.ID_TEXTCTRL1->ChangeValue(
            utf8("\xc3\x9c"
                 "1"));
        Click(d.ID_BUTTON5);
        d.ID_TEXTCTRL60->ChangeValue("5");
        d.ID_TEXTCTRL17->ChangeValue(utf8("3110\xc3\xa9"));
        d.ID_TEXTCTRL67->ChangeValue(utf8("\xc3\xbc"));
        Click(d.ID_BUTTON21);
        Select(d.ID_CHOICE4, 1);
        d.ID_TEXTCTRL13->ChangeValue(utf8("H\xc3\xb6he \xc3\xa0 \xe2\x82\xac"));
        d.ID_TEXTCTRL11->ChangeValue(utf8("\xc2\xb0"));
        Click(d.ID_BUTTON6);
        const std::string comment =
            "###############\r\n# Gear lever\r\n# H\xc3\xb6he \xc3\xbc"
            "ber 3\xc2\xb0\r\n"
            "###############\r\n";
        EXPECT_EQ(Result(),
                  comment +
                      "[Key0017]\r\nmode: discrete_event\r\noffset: \xc3\x9c"
                      "1\r\n"
                      "size:2\r\ntype: int\r\n0: 0\r\n1: 0\r\n\r\n" +
                      comment +
                      "[Key0005]\r\nmode: numeric_event\r\noffset: 3110\xc3\xa9\r\n"
                      "type: int\r\nsize: 2\r\ncontrol: \xc3\xbc\r\n\r\n" +
                      comment +
                      "[Ind H\xc3\xb6he \xc3\xa0 \xe2\x82\xac]\r\nmode: discrete_polling\r\n"
                      "array: \xc2\xb0\r\nindex: 2\r\ntype: int\r\npos: 0\r\n\r\n");
        EXPECT_EQ(d.resultMessage->GetLabel(), "");
    }
    std::setlocale(LC_ALL, saved.c_str());

    const std::string before = Result();
    const wchar_t lone[] = {L'A', static_cast<wchar_t>(0xDC00), 0};
    d.ID_TEXTCTRL13->ChangeValue(wxString(lone));
    Click(d.ID_BUTTON6);
    EXPECT_EQ(Result(), before);
    EXPECT_TRUE(d.resultMessage->GetLabel().StartsWith("Section not added"));
}

// "Save…" appends the result to an ini file and leaves what the file held;
// a file that cannot be written says why, and the result stays for another
// try. The line ends are the ones chosen.
TEST_F(SectionPages, SaveAppendsAndAFailureKeepsTheResult) {
    loggerDialog& d = *dialog;
    char dir[] = "/tmp/brantle-save-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string file = std::string(dir) +
                             "/h\xc3\xbc"
                             "b.ini";
    std::ofstream(file, std::ios::binary) << "[Key0001]\r\nmode: discrete_event\r\n\r\n";
    d.ID_TEXTCTRL7->ChangeValue("[Ind Gear]\r\npos: 12\r\n\r\n");

    Select(d.lineEndsChoice, 0);  // "CR LF" (the setting may hold another)
    ASSERT_TRUE(d.SaveResultTo(wxString::FromUTF8(file)));
    Select(d.lineEndsChoice, 1);  // "LF", remembered for the next window
    d.askAboutRepeats = [](const wxString&) { return RepeatChoice::kAppendAnyway; };
    ASSERT_TRUE(d.SaveResultTo(wxString::FromUTF8(file)));
    auto* next = new loggerDialog();
    EXPECT_EQ(next->lineEndsChoice->GetSelection(), 1);
    next->Destroy();
    std::ifstream in(file, std::ios::binary);
    std::ostringstream saved;
    saved << in.rdbuf();
    EXPECT_EQ(saved.str(),
              "[Key0001]\r\nmode: discrete_event\r\n\r\n[Ind Gear]\r\npos: 12\r\n\r\n"
              "[Ind Gear]\npos: 12\n\n");
    EXPECT_TRUE(d.resultMessage->GetLabel().StartsWith("Saved")) << d.resultMessage->GetLabel();

    EXPECT_FALSE(d.SaveResultTo(wxString(dir) + "/no folder/a.ini"));
    EXPECT_EQ(d.resultMessage->GetLabel(),
              "Could not save to " + wxString(dir) + "/no folder/a.ini: No such file or directory")
        << d.resultMessage->GetLabel();
    EXPECT_EQ(d.ID_TEXTCTRL7->GetValue(), "[Ind Gear]\r\npos: 12\r\n\r\n");
    Select(d.lineEndsChoice, 0);
    std::filesystem::remove_all(dir);
}

// The Remarks and the result are kept for the next run. Keeping that fails
// (here the state folder would lie below a regular file, which stops the
// superuser too) says under the result box what could not be written, where
// and why; the text stays in the window, the next keeping tries again, and
// one that succeeds takes the message away, but no other message.
TEST_F(SectionPages, KeepingThatFailsSaysWhatWhereAndWhy) {
    loggerDialog& d = *dialog;
    char dir[] = "/tmp/brantle-keep-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string file = std::string(dir) + "/file";
    std::ofstream(file) << "x";
    ScopedEnvironment state("XDG_STATE_HOME", (file + "/state").c_str());
    const std::string folder = file + "/state/BrantleConfigHelper";
    const auto message = [&] { return std::string(d.resultMessage->GetLabel().utf8_str()); };

    d.ID_TEXTCTRL2->ChangeValue("Gear lever");
    d.KeepText();
    EXPECT_EQ(message(), "Could not keep the Remarks for the next run in " + folder +
                             "/remarks.txt: Not a directory");
    d.ID_TEXTCTRL7->ChangeValue("[Ind Gear]\r\n");
    d.KeepText();
    EXPECT_EQ(message(), "Could not keep the Remarks and the result for the next run in " + folder +
                             ": Not a directory");
    EXPECT_EQ(d.ID_TEXTCTRL2->GetValue(), "Gear lever");
    EXPECT_EQ(d.ID_TEXTCTRL7->GetValue(), "[Ind Gear]\r\n");

    const std::string good = std::string(dir) + "/st\xc3\xa4te";
    state.Set(good.c_str());
    d.KeepText();
    EXPECT_EQ(message(), "");
    std::string kept;
    EXPECT_TRUE(ReadWholeFile(good + "/BrantleConfigHelper/remarks.txt", &kept));
    EXPECT_EQ(kept, "Gear lever");
    EXPECT_TRUE(ReadWholeFile(good + "/BrantleConfigHelper/result.txt", &kept));
    EXPECT_EQ(kept, "[Ind Gear]\r\n");

    state.Set((file + "/state").c_str());
    d.ID_TEXTCTRL7->ChangeValue("[Ind Flaps]\r\n");
    d.KeepText();
    EXPECT_EQ(message(), "Could not keep the result for the next run in " + folder +
                             "/result.txt: Not a directory");
    state.Set(good.c_str());
    d.ShowResultMessage("Copied to the clipboard.");
    d.KeepText();
    EXPECT_EQ(message(), "Copied to the clipboard.");
    std::filesystem::remove_all(dir);
}

}  // namespace
