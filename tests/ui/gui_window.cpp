// The main window as it opens: its frame, the left column, the Device panel,
// the "DiscrCtrls" and "NumCtrls" pages, the mask calculator's 32 boxes, the
// accessible names, and the page tracking of the notebook.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <stdlib.h>
#include <wx/notebook.h>
#include <wx/radiobox.h>
#include <wx/statbox.h>
#include <wx/statline.h>

#include <clocale>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "BrantleVersion.h"
#include "GuiTest.h"
#include "console/Console.h"
#include "ui/Controls.h"
#include "ui/loggerDialog.h"

namespace {

class WindowTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        // Stored settings of the user must not reach these tests.
        char dir[] = "/tmp/brantle-window-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        configHome = dir;
        setenv("XDG_CONFIG_HOME", dir, 1);
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        std::filesystem::remove_all(configHome, ignored);
    }
    void SetUp() override {
        dialog = new loggerDialog();
        dialog->Show();
        PumpEvents(150);
    }
    void TearDown() override {
        dialog->Destroy();
        PumpEvents(30);
    }

    wxWindow* Named(const std::string& name) const {
        return wxWindow::FindWindowByName(name, dialog);
    }
    void ShowPage(int index) {
        dialog->ID_NOTEBOOK1->SetSelection(index);
        PumpEvents(100);
    }

    static inline std::string configHome;
    loggerDialog* dialog = nullptr;
};

// What a control shows: a field's or combo box's text, the selected item of a
// choice or radio box, otherwise its caption.
wxString ShownText(wxWindow* window) {
    if (auto* combo = dynamic_cast<wxComboBox*>(window)) return combo->GetValue();
    if (auto* text = dynamic_cast<wxTextCtrl*>(window)) return text->GetValue();
    if (auto* choice = dynamic_cast<wxChoice*>(window)) return choice->GetStringSelection();
    if (auto* radio = dynamic_cast<wxRadioBox*>(window)) return radio->GetStringSelection();
    return wxControl::RemoveMnemonics(window->GetLabel());  // the caption as shown
}

enum Enabled { kOff, kOn, kAny };  // kAny: later set by the DiscrCtrls enable rule

struct ControlRow {
    const char* name;
    const char* parent;  // the page panel, or "" for a child of the dialog
    const char* className;
    const char* text;
    Enabled enabled;
};

const ControlRow kControls[] = {
    // Left column
    {"ID_STATICTEXT6", "", "wxStaticText", "Remarks", kOn},
    {"ID_TEXTCTRL2", "", "wxTextCtrl", "Some comment (remove all to omit comments)", kOn},
    {"ID_STATICTEXT12", "", "wxStaticText", "Result section for ini file", kOn},
    {"ID_TEXTCTRL7", "", "wxTextCtrl", "", kOn},
    {"ID_STATICLINE5", "", "wxStaticLine", "", kOn},
    // Frame
    {"ID_NOTEBOOK1", "", "wxNotebook", "", kOn},
    {"ID_STATICLINE1", "", "wxStaticLine", "", kOn},
    // Device panel
    {"ID_STATICTEXT1", "", "wxStaticText", "Device", kOn},
    {"ID_TEXTCTRL22", "", "wxTextCtrl", "", kOn},
    {"ID_STATICTEXT2", "", "wxStaticText", "Disconnected", kOn},
    {"ID_STATICLINE7", "", "wxStaticLine", "", kOn},
    {"ID_STATICTEXT24", "", "wxStaticText", "Serial port", kOn},
    {"ID_BUTTON4", "", "wxButton", "Refresh list", kOn},
    {"ID_COMBOBOX1", "", "wxComboBox", "Select port", kOn},
    {"ID_STATICTEXT51", "", "wxStaticText", "Baudrate", kOn},
    {"ID_COMBOBOX2", "", "wxComboBox", "115200", kOff},
    {"ID_BUTTON1", "", "wxButton", "Open", kOn},
    {"ID_BUTTON8", "", "wxButton", "Reset (Arduino)", kOff},
    {"ID_BUTTON2", "", "wxButton", "Close", kOff},
    {"ID_STATICLINE8", "", "wxStaticLine", "", kOn},
    {"ID_STATICTEXT55", "", "wxStaticText", "UDP server", kOn},
    {"ID_STATICTEXT32", "", "wxStaticText", "UDP port", kOn},
    {"ID_TEXTCTRL47", "", "wxTextCtrl", "50000", kOn},
    {"ID_STATICTEXT70", "", "wxStaticText", "ID filter", kOn},
    {"ID_TEXTCTRL63", "", "wxTextCtrl", "0", kOn},
    {"ID_BUTTON22", "", "wxButton", "Start", kOn},
    {"ID_BUTTON23", "", "wxButton", "Stop", kOff},  // nothing listens yet
    {"ID_STATICLINE9", "", "wxStaticLine", "", kOn},
    {"ID_STATICLINE10", "", "wxStaticLine", "", kOn},
    {"ID_STATICTEXT30", "", "wxStaticText", "Console", kOn},
    {"ID_BUTTON9", "", "wxButton", "Console ON/OFF", kOn},
    {"ID_CHECKBOX2", "", "wxCheckBox", "Inputs only", kOff},
    {"ID_STATICLINE6", "", "wxStaticLine", "", kOn},
    {"ID_BUTTON3", "", "wxButton", "Quit", kOn},
    // DiscrCtrls
    {"ID_STATICTEXT200", "ID_PANEL1", "wxStaticText", "Last control event:", kOn},
    {"ID_TEXTCTRL25", "ID_PANEL1", "wxTextCtrl", "", kOn},
    {"ID_STATICTEXT201", "ID_PANEL1", "wxStaticText", "EvID(decimal)", kOn},
    {"ID_TEXTCTRL10", "ID_PANEL1", "wxTextCtrl", "", kOn},
    {"ID_STATICTEXT202", "ID_PANEL1", "wxStaticText", "Control type", kOn},
    {"ID_CHOICE2", "ID_PANEL1", "wxChoice", "SPDT Switch / Button", kOn},
    {"ID_STATICTEXT203", "ID_PANEL1", "wxStaticText", "    Offset", kOn},
    {"ID_TEXTCTRL1", "ID_PANEL1", "wxTextCtrl", "", kOn},
    {"ID_BUTTON31", "ID_PANEL1", "wxButton", "<Ctrls", kAny},
    {"ID_STATICTEXT204", "ID_PANEL1", "wxStaticText", "Data[Offset] type", kOn},
    {"ID_CHOICE1", "ID_PANEL1", "wxChoice", "Integer", kOn},
    {"ID_STATICTEXT205", "ID_PANEL1", "wxStaticText", "Data[Offset] size", kOn},
    {"ID_CHOICE8", "ID_PANEL1", "wxChoice", "2", kOn},
    {"ID_STATICTEXT206", "ID_PANEL1", "wxStaticText", "Encoding", kOn},
    {"ID_CHOICE11", "ID_PANEL1", "wxChoice", "Normal", kOn},
    {"ID_STATICTEXT113", "ID_PANEL1", "wxStaticText",
     "SPST - Single Pole Single Throw\nSPDT - Single Pole Double Throw", kOn},
    {"ID_STATICTEXT207", "ID_PANEL1", "wxStaticText", "0:", kOn},
    {"ID_TEXTCTRL9", "ID_PANEL1", "wxTextCtrl", "", kAny},
    {"ID_STATICTEXT209", "ID_PANEL1", "wxStaticText", "1:", kOn},
    {"ID_TEXTCTRL8", "ID_PANEL1", "wxTextCtrl", "", kAny},
    {"ID_STATICTEXT211", "ID_PANEL1", "wxStaticText", "Mask:", kOn},
    {"ID_TEXTCTRL6", "ID_PANEL1", "wxTextCtrl", "", kAny},
    {"ID_STATICTEXT208", "ID_PANEL1", "wxStaticText", "Min:", kOn},
    {"ID_TEXTCTRL3", "ID_PANEL1", "wxTextCtrl", "", kAny},
    {"ID_STATICTEXT210", "ID_PANEL1", "wxStaticText", "Max:", kOn},
    {"ID_TEXTCTRL4", "ID_PANEL1", "wxTextCtrl", "", kAny},
    {"ID_STATICTEXT212", "ID_PANEL1", "wxStaticText", "Increment:", kOn},
    {"ID_TEXTCTRL5", "ID_PANEL1", "wxTextCtrl", "", kAny},
    {"ID_RADIOBOX1", "ID_PANEL1", "wxRadioBox", "Loop  (e.g. HDG, CRS)", kAny},
    {"ID_BUTTON5", "ID_PANEL1", "wxButton", "Add control section", kOn},
    {"ID_STATICBOX200", "ID_PANEL1", "wxStaticBox", "Mask calculator", kOn},
    {"ID_BUTTON26", "ID_PANEL1", "wxButton", "All clear", kOn},
    {"ID_BUTTON27", "ID_PANEL1", "wxButton", "All set", kOn},
    {"ID_BUTTON28", "ID_PANEL1", "wxButton", "Invert", kOn},
    {"ID_BUTTON29", "ID_PANEL1", "wxButton", "> Mask", kOn},
    {"ID_BUTTON30", "ID_PANEL1", "wxButton", "< Mask", kOn},
    // NumCtrls
    {"ID_STATICTEXT230", "ID_PANEL6", "wxStaticText", "Last control event:", kOn},
    {"ID_TEXTCTRL59", "ID_PANEL6", "wxTextCtrl", "", kOn},
    {"ID_STATICTEXT231", "ID_PANEL6", "wxStaticText", "EvId(decimal)", kOn},
    {"ID_TEXTCTRL60", "ID_PANEL6", "wxTextCtrl", "", kOn},
    {"ID_STATICTEXT232", "ID_PANEL6", "wxStaticText", "Event filter", kOn},
    {"ID_TEXTCTRL61", "ID_PANEL6", "wxTextCtrl", "", kOn},
    {"ID_STATICTEXT233", "ID_PANEL6", "wxStaticText", "Current value", kOn},
    {"ID_TEXTCTRL62", "ID_PANEL6", "wxTextCtrl", "", kOn},
    {"ID_STATICTEXT234", "ID_PANEL6", "wxStaticText", "    Offset", kOn},
    {"ID_TEXTCTRL17", "ID_PANEL6", "wxTextCtrl", "", kOn},
    {"ID_BUTTON32", "ID_PANEL6", "wxButton", "<Ctrls", kOn},
    {"ID_STATICTEXT114", "ID_PANEL6", "wxStaticText", "ControlID", kOn},
    {"ID_TEXTCTRL67", "ID_PANEL6", "wxTextCtrl", "", kOn},
    {"ID_STATICTEXT235", "ID_PANEL6", "wxStaticText", "Data[Offset] type", kOn},
    {"ID_CHOICE9", "ID_PANEL6", "wxChoice", "Integer", kOn},
    {"ID_STATICTEXT236", "ID_PANEL6", "wxStaticText", "Data[Offset] size", kOn},
    {"ID_CHOICE7", "ID_PANEL6", "wxChoice", "2", kOn},
    {"ID_STATICTEXT237", "ID_PANEL6", "wxStaticText", "Encoding", kOn},
    {"ID_CHOICE12", "ID_PANEL6", "wxChoice", "Normal", kOn},
    {"ID_STATICTEXT238", "ID_PANEL6", "wxStaticText", "    factor", kOn},
    {"ID_TEXTCTRL49", "ID_PANEL6", "wxTextCtrl", "", kOn},
    {"ID_STATICTEXT239", "ID_PANEL6", "wxStaticText", "    zero offset", kOn},
    {"ID_TEXTCTRL66", "ID_PANEL6", "wxTextCtrl", "", kOn},
    {"ID_BUTTON21", "ID_PANEL6", "wxButton", "Add control section", kOn},
    {"ID_BUTTON18", "ID_PANEL6", "wxButton", "DeviceMax >", kOn},
    {"ID_TEXTCTRL50", "ID_PANEL6", "wxTextCtrl", "", kOn},
    {"ID_STATICTEXT240", "ID_PANEL6", "wxStaticText", "SimMax:", kOn},
    {"ID_TEXTCTRL51", "ID_PANEL6", "wxTextCtrl", "", kOn},
    {"ID_BUTTON19", "ID_PANEL6", "wxButton", "DevCenter >", kOff},
    {"ID_TEXTCTRL56", "ID_PANEL6", "wxTextCtrl", "", kOff},
    {"ID_STATICTEXT241", "ID_PANEL6", "wxStaticText", "SimMin:", kOn},
    {"ID_TEXTCTRL57", "ID_PANEL6", "wxTextCtrl", "", kOn},
    {"ID_BUTTON20", "ID_PANEL6", "wxButton", "DeviceMin >", kOn},
    {"ID_TEXTCTRL58", "ID_PANEL6", "wxTextCtrl", "", kOn},
    {"ID_CHECKBOX4", "ID_PANEL6", "wxCheckBox", "Has center:", kOn},
    {"ID_BUTTON25", "ID_PANEL6", "wxButton", "Calculate\nfactor and zero offset", kOn},
};

TEST_F(WindowTest, EveryControlHasItsNameClassParentTextAndEnabledState) {
    for (const ControlRow& row : kControls) {
        SCOPED_TRACE(row.name);
        wxWindow* window = Named(row.name);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->GetClassInfo()->GetClassName(), wxString(row.className));
        const wxString parent = window->GetParent()->GetName();
        EXPECT_EQ(parent, *row.parent ? wxString(row.parent) : dialog->GetName());
        EXPECT_EQ(ShownText(window), wxString::FromUTF8(row.text));
        if (row.enabled != kAny) {
            EXPECT_EQ(window->IsEnabled(), row.enabled == kOn);
        }
    }
}

TEST_F(WindowTest, EveryControlIsTheMemberOfItsName) {
    const std::map<std::string, wxWindow*> members = {
        {"ID_TEXTCTRL2", dialog->ID_TEXTCTRL2},
        {"ID_TEXTCTRL7", dialog->ID_TEXTCTRL7},
        {"ID_NOTEBOOK1", dialog->ID_NOTEBOOK1},
        {"ID_PANEL1", dialog->ID_PANEL1},
        {"ID_PANEL6", dialog->ID_PANEL6},
        {"ID_STATICTEXT2", dialog->ID_STATICTEXT2},
        {"ID_COMBOBOX1", dialog->ID_COMBOBOX1},
        {"ID_COMBOBOX2", dialog->ID_COMBOBOX2},
        {"ID_BUTTON3", dialog->ID_BUTTON3},
        {"ID_CHECKBOX2", dialog->ID_CHECKBOX2},
        {"ID_TEXTCTRL10", dialog->ID_TEXTCTRL10},
        {"ID_TEXTCTRL6", dialog->ID_TEXTCTRL6},
        {"ID_RADIOBOX1", dialog->ID_RADIOBOX1},
        {"ID_BUTTON30", dialog->ID_BUTTON30},
        {"ID_STATICTEXT114", dialog->ID_STATICTEXT114},
        {"ID_TEXTCTRL67", dialog->ID_TEXTCTRL67},
        {"ID_CHECKBOX4", dialog->ID_CHECKBOX4},
        {"ID_BUTTON25", dialog->ID_BUTTON25},
        {"ID_TEXTCTRL58", dialog->ID_TEXTCTRL58},
    };
    for (const auto& [name, member] : members) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Named(name), member);
    }
}

// Names and identifiers are what everything else finds the controls by: no
// two windows share either.
TEST_F(WindowTest, WindowNamesAndIdentifiersAreUnique) {
    std::map<wxString, int> names;
    std::map<int, wxString> ids;
    std::vector<wxWindow*> pending{dialog};
    while (!pending.empty()) {
        wxWindow* window = pending.back();
        pending.pop_back();
        for (wxWindow* child : window->GetChildren()) pending.push_back(child);
        if (!window->GetName().StartsWith("ID_")) continue;
        ++names[window->GetName()];
        const auto [it, fresh] = ids.emplace(window->GetId(), window->GetName());
        EXPECT_TRUE(fresh) << window->GetName() << " has the identifier of " << it->second;
    }
    for (const auto& [name, count] : names) EXPECT_EQ(count, 1) << name;
    EXPECT_GT(names.size(), 150u);
}

TEST_F(WindowTest, ChoicesHoldTheirItemsAndSelection) {
    struct Row {
        const char* name;
        std::vector<const char*> items;
        int selected;
    };
    const std::vector<const char*> types = {"Integer", "Unsigned Integer", "Float", "String"};
    const std::vector<const char*> sizes = {"1", "2", "4", "8"};
    const std::vector<const char*> encodings = {"Normal", "BCD"};
    const Row rows[] = {
        {"ID_CHOICE2",
         {"", "SPDT Switch / Button", "Cyclic SPST Button",
          "SPST Button, Switch / Encoder dir pulse/ Rotary switch pole", "Encoder"},
         1},
        {"ID_CHOICE1", types, 0},
        {"ID_CHOICE8", sizes, 1},
        {"ID_CHOICE11", encodings, 0},
        {"ID_CHOICE9", types, 0},
        {"ID_CHOICE7", sizes, 1},
        {"ID_CHOICE12", encodings, 0},
        {"ID_COMBOBOX2", {"9600", "19200", "38400", "57600", "115200"}, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto* choice = Find<wxChoice>(dialog, row.name);  // a combo box is a choice here
        ASSERT_NE(choice, nullptr);
        ASSERT_EQ(choice->GetCount(), row.items.size());
        for (unsigned i = 0; i < row.items.size(); ++i)
            EXPECT_EQ(choice->GetString(i), wxString(row.items[i]));
        EXPECT_EQ(choice->GetSelection(), row.selected);
    }
    auto* cycling = Find<wxRadioBox>(dialog, "ID_RADIOBOX1");
    ASSERT_EQ(cycling->GetCount(), 2u);
    EXPECT_EQ(cycling->GetString(0), "Loop  (e.g. HDG, CRS)");
    EXPECT_EQ(cycling->GetString(1), "Limits (e.g. IAS, ALT) ");
    EXPECT_EQ(cycling->GetLabel(), "Cycling options");
}

TEST_F(WindowTest, PortBoxIsEditableAndBaudBoxCannotBeUsed) {
    EXPECT_FALSE(dialog->ID_COMBOBOX1->HasFlag(wxCB_READONLY));
    EXPECT_TRUE(dialog->ID_COMBOBOX1->IsEditable());
    EXPECT_FALSE(dialog->ID_COMBOBOX2->IsEnabled());
    EXPECT_FALSE(dialog->ID_COMBOBOX2->IsThisEnabled());
}

// By keyboard: the "Select port" placeholder is selected when the box takes
// the focus, so typing replaces it, and Enter opens the port typed.
TEST_F(WindowTest, PortBoxSelectsItsPlaceholderAndEnterOpens) {
    wxComboBox* port = dialog->ID_COMBOBOX1;
    port->SetValue("Select port");
    dialog->ID_BUTTON1->SetFocus();
    PumpEvents(50);
    port->SetFocus();
    EXPECT_TRUE(PumpUntil(
        [&] {
            long from = 0, to = 0;
            port->GetSelection(&from, &to);
            return from == 0 && to == 11;
        },
        2000))
        << "the placeholder is not selected";

    // Enter tries the port typed, by its UTF-8 name whatever the locale.
    struct Captured : ConsoleSink {
        std::mutex mutex;
        std::string text;
        void Write(const ConsoleSpan& span) override {
            std::lock_guard<std::mutex> lock(mutex);
            text += span.text;
        }
    } output;
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
    port->SetValue(wxString::FromUTF8("/tmp/brantle-none/tty\xc3\xbc"));
    AddConsoleSink(&output);
    wxCommandEvent enter(wxEVT_TEXT_ENTER, port->GetId());
    enter.SetEventObject(port);
    port->GetEventHandler()->ProcessEvent(enter);
    RemoveConsoleSink(&output);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_NE(
        output.text.find("Serial::Open(): /tmp/brantle-none/tty\xc3\xbc could not be opened.\n"
                         "Could not open port /tmp/brantle-none/tty\xc3\xbc\n"),
        std::string::npos)
        << output.text;
}

TEST_F(WindowTest, LabelsHaveTheirFonts) {
    struct Row {
        const char* name;
        const char* face;  // "" for the default face of the Swiss family
        bool bold;
    };
    const Row rows[] = {
        {"ID_STATICTEXT1", "Arial", true},   {"ID_STATICTEXT24", "Arial", true},
        {"ID_STATICTEXT30", "Arial", true},  {"ID_STATICTEXT2", "", true},
        {"ID_STATICTEXT55", "", true},       {"ID_STATICTEXT32", "Arial", false},
        {"ID_STATICTEXT70", "Arial", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const wxFont font = Named(row.name)->GetFont();
        EXPECT_EQ(font.GetPointSize(), 10);
        EXPECT_EQ(font.GetWeight(), row.bold ? wxFONTWEIGHT_BOLD : wxFONTWEIGHT_NORMAL);
        if (*row.face) {
            EXPECT_EQ(font.GetFaceName(), row.face);
        } else {
            EXPECT_EQ(font.GetFamily(), wxFONTFAMILY_SWISS);
        }
    }
}

TEST_F(WindowTest, TitleStatusAndFixedSize) {
    EXPECT_EQ(dialog->GetTitle(), "BRANTLE Config Helper " BRANTLE_VERSION_TEXT);
    EXPECT_EQ(dialog->GetName(), "wxID_ANY");
    EXPECT_EQ(dialog->ID_STATICTEXT2->GetLabel(), "Disconnected");
    EXPECT_EQ(dialog->ID_STATICTEXT2->GetForegroundColour(), wxColour(128, 128, 0));
    EXPECT_FALSE(dialog->HasFlag(wxRESIZE_BORDER));
    EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(dialog->GetHandle())));
    EXPECT_EQ(dialog->GetSize(), dialog->GetMinSize());
}

// The four cells of the top row, left to right, and the rows of the left
// column, top to bottom.
TEST_F(WindowTest, ColumnsStandSideBySideAndLeftColumnInOrder) {
    const wxRect left = dialog->ID_TEXTCTRL7->GetRect();
    const wxRect book = dialog->ID_NOTEBOOK1->GetRect();
    const wxRect line = dialog->ID_STATICLINE1->GetRect();
    const wxRect device = dialog->ID_BUTTON3->GetRect();
    EXPECT_LE(left.GetRight(), book.GetLeft() - 5);
    EXPECT_LE(book.GetRight() + 5, line.GetLeft());
    EXPECT_LE(line.GetRight(), device.GetLeft());
    EXPECT_GT(line.height, book.height);  // stretched over the whole row

    const char* order[] = {"ID_STATICTEXT6", "ID_TEXTCTRL2", "ID_STATICTEXT12", "ID_TEXTCTRL7",
                           "ID_STATICLINE5"};
    for (int i = 1; i < 5; ++i) {
        SCOPED_TRACE(order[i]);
        EXPECT_GE(Named(order[i])->GetRect().GetTop(), Named(order[i - 1])->GetRect().GetBottom());
    }
    EXPECT_EQ(dialog->ID_TEXTCTRL2->GetSize(), wxSize(284, 64));
    EXPECT_GE(dialog->ID_TEXTCTRL7->GetSize().x, 282);
    EXPECT_EQ(dialog->ID_TEXTCTRL7->GetSize().y, 407);
    EXPECT_TRUE(dialog->ID_TEXTCTRL2->IsMultiLine());
    EXPECT_TRUE(dialog->ID_TEXTCTRL7->IsMultiLine());
}

// Rows 1 to 27 of the Device panel stand one under the other; stretched rows
// span the column, centred ones sit in its middle.
TEST_F(WindowTest, DevicePanelRowsInOrderWithTheirAlignment) {
    enum Align { kCentre, kStretch, kRight };
    struct Row {
        const char* name;
        Align align;
        int border;
    };
    const Row rows[] = {
        {"ID_STATICTEXT1", kCentre, 1},   {"ID_TEXTCTRL22", kCentre, 0},
        {"ID_STATICTEXT2", kCentre, 0},   {"ID_STATICLINE7", kStretch, 0},
        {"ID_STATICTEXT24", kCentre, 5},  {"ID_BUTTON4", kStretch, 1},
        {"ID_COMBOBOX1", kStretch, 1},    {"ID_STATICTEXT51", kCentre, 0},
        {"ID_COMBOBOX2", kCentre, 5},     {"ID_BUTTON1", kStretch, 1},
        {"ID_BUTTON8", kStretch, 1},      {"ID_BUTTON2", kStretch, 1},
        {"ID_STATICLINE8", kStretch, 0},  {"ID_STATICTEXT55", kCentre, 0},
        {"ID_TEXTCTRL47", kCentre, -1},   {"ID_TEXTCTRL63", kRight, -1},
        {"ID_BUTTON22", kCentre, -1},     {"ID_STATICLINE9", kStretch, 0},
        {"ID_STATICLINE10", kStretch, 0}, {"ID_STATICTEXT30", kCentre, 0},
        {"ID_BUTTON9", kStretch, 5},      {"ID_CHECKBOX2", kCentre, 5},
        {"ID_STATICLINE6", kStretch, 0},  {"ID_BUTTON3", kStretch, 1},
    };
    // The column's extent: the stretched rows without border span it.
    const wxRect column = dialog->ID_STATICLINE7->GetRect();
    const int middle = column.x + column.width / 2;
    int previousBottom = -1;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const wxRect r = Named(row.name)->GetRect();
        EXPECT_GT(r.GetTop(), previousBottom);
        previousBottom = r.GetBottom();
        switch (row.align) {
            case kStretch:
                EXPECT_EQ(r.x, column.x + row.border);
                EXPECT_EQ(r.width, column.width - 2 * row.border);
                break;
            case kCentre:
                if (row.border >= 0) {
                    EXPECT_NEAR(r.x + r.width / 2, middle, 1);
                }
                break;
            case kRight:
                break;
        }
        EXPECT_GE(r.x, column.x);
        EXPECT_LE(r.GetRight(), column.GetRight());
    }
    // The rows of two: label or first button on the left of its partner.
    const std::pair<const char*, const char*> pairs[] = {{"ID_STATICTEXT32", "ID_TEXTCTRL47"},
                                                         {"ID_STATICTEXT70", "ID_TEXTCTRL63"},
                                                         {"ID_BUTTON22", "ID_BUTTON23"}};
    for (const auto& [first, second] : pairs) {
        SCOPED_TRACE(first);
        const wxRect a = Named(first)->GetRect();
        const wxRect b = Named(second)->GetRect();
        EXPECT_LT(a.GetRight(), b.GetLeft());
        EXPECT_NEAR(a.y + a.height / 2, b.y + b.height / 2, 1);
    }
    // "ID filter" is right-aligned, "UDP port" centred.
    const wxRect idFilter = dialog->ID_TEXTCTRL63->GetRect();
    EXPECT_EQ(idFilter.GetRight() + 5, column.GetRight());
    // The panel keeps 8 pixels to the dialog's right edge.
    EXPECT_EQ(column.GetRight() + 1 + 8, dialog->GetClientSize().x);
}

// Given sizes are the widths to aim for; the toolkit's height is kept and a
// control is never smaller than what its content needs.
TEST_F(WindowTest, ControlsAreAtLeastTheirGivenWidthAndNeverCut) {
    const std::pair<const char*, int> widths[] = {
        {"ID_TEXTCTRL22", 32},   {"ID_COMBOBOX1", 69},  {"ID_COMBOBOX2", 79},
        {"ID_BUTTON2", 62},      {"ID_TEXTCTRL47", 47}, {"ID_TEXTCTRL63", 47},
        {"ID_STATICTEXT70", 54}, {"ID_BUTTON22", 52},   {"ID_BUTTON23", 49},
        {"ID_TEXTCTRL25", 126},  {"ID_TEXTCTRL10", 50}, {"ID_CHOICE2", 326},
        {"ID_BUTTON31", 64},     {"ID_CHOICE1", 125},   {"ID_CHOICE8", 70},
        {"ID_CHOICE11", 70},     {"ID_TEXTCTRL9", 80},  {"ID_TEXTCTRL8", 80},
        {"ID_TEXTCTRL6", 80},    {"ID_TEXTCTRL3", 80},  {"ID_TEXTCTRL4", 80},
        {"ID_TEXTCTRL5", 80},    {"ID_BUTTON5", 131},   {"ID_TEXTCTRL59", 126},
        {"ID_TEXTCTRL60", 35},   {"ID_TEXTCTRL61", 63}, {"ID_TEXTCTRL62", 65},
        {"ID_TEXTCTRL67", 88},   {"ID_CHOICE9", 134},   {"ID_CHOICE7", 70},
        {"ID_CHOICE12", 70},     {"ID_TEXTCTRL49", 80}, {"ID_TEXTCTRL66", 80},
        {"ID_BUTTON21", 148},
    };
    ShowPage(1);  // GTK sizes the controls of a page once it has been shown
    ShowPage(0);
    for (const auto& [name, width] : widths) {
        SCOPED_TRACE(name);
        wxWindow* window = Named(name);
        EXPECT_GE(window->GetSize().x, width);
        if (dynamic_cast<wxTextCtrl*>(window) == nullptr) {
            EXPECT_GE(window->GetSize().x, window->GetBestSize().x);
        }
        EXPECT_GE(window->GetSize().y, window->GetBestSize().y);
    }
    // Heights asked for beyond the toolkit's own are kept.
    EXPECT_GE(dialog->ID_BUTTON5->GetSize().y, 43);
    EXPECT_GE(dialog->ID_BUTTON21->GetSize().y, 32);
}

// Fields are wide enough for the longest text they are filled with: GTK lays
// the text out within the entry's text area without scrolling it.
TEST_F(WindowTest, FieldsShowTheirLongestContentUncut) {
    const std::pair<const char*, const char*> samples[] = {
        {"ID_TEXTCTRL22", "4095"},
        {"ID_TEXTCTRL47", "50000"},
        {"ID_TEXTCTRL63", "99"},
        {"ID_TEXTCTRL25", "{12345678}"},
        {"ID_TEXTCTRL10", "4095"},
        {"ID_TEXTCTRL59", "{12345678}"},
        {"ID_TEXTCTRL60", "4095"},
        {"ID_TEXTCTRL61", "4095"},
        {"ID_TEXTCTRL62", "65535"},
        {"ID_TEXTCTRL62", "-----"},
        {"ID_TEXTCTRL6", "4294967295"},
        {"ID_TEXTCTRL49", "-1.234568e+004"},
        {"ID_TEXTCTRL66", "-1.234568e+004"},
    };
    for (int page : {0, 1}) {
        ShowPage(page);
        for (const auto& [name, sample] : samples) {
            auto* field = Find<wxTextCtrl>(dialog, name);
            ASSERT_NE(field, nullptr) << name;
            if (!field->IsShownOnScreen()) continue;
            SCOPED_TRACE(name);
            field->ChangeValue(sample);
            PumpEvents(20);
            GtkEntry* entry = GTK_ENTRY(field->GetHandle());
            GdkRectangle area;
            gtk_entry_get_text_area(entry, &area);
            int width = 0;
            int height = 0;
            pango_layout_get_pixel_size(gtk_entry_get_layout(entry), &width, &height);
            EXPECT_LT(width, area.width) << sample;
        }
    }
    auto* status = dialog->ID_STATICTEXT2;
    for (const char* text : {"Disconnected", "Connected", "Comm.Error"})
        EXPECT_GE(status->GetSize().x, status->GetTextExtent(text).x) << text;
}

TEST_F(WindowTest, StatusStaysCentredWhenItChanges) {
    const wxRect before = dialog->ID_STATICTEXT2->GetRect();
    dialog->SetStatus("Connected", wxColour(0, 176, 0));
    PumpEvents(30);
    EXPECT_EQ(dialog->ID_STATICTEXT2->GetRect(), before);
    EXPECT_EQ(dialog->ID_STATICTEXT2->GetForegroundColour(), wxColour(0, 176, 0));
}

TEST_F(WindowTest, NotebookHasSixPagesInOrderFirstSelected) {
    const std::pair<const char*, const char*> pages[] = {
        {"DiscrCtrls", "ID_PANEL1"},     {"NumCtrls", "ID_PANEL6"},
        {"Indication", "ID_PANEL2"},     {"AlphNum Indic", "ID_PANEL4"},
        {"Discrete Indic", "ID_PANEL5"}, {"Axes", "ID_PANEL3"},
    };
    wxNotebook* book = dialog->ID_NOTEBOOK1;
    ASSERT_EQ(book->GetPageCount(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(pages[i].first);
        EXPECT_EQ(book->GetPageText(i), pages[i].first);
        EXPECT_EQ(book->GetPage(i)->GetName(), pages[i].second);
        EXPECT_TRUE(book->GetPage(i)->HasFlag(wxTAB_TRAVERSAL));
    }
    EXPECT_EQ(book->GetSelection(), 0);
    EXPECT_EQ(currentPage, 0);
}

// All six tabs fit: the notebook is at least as wide as GTK needs for the row
// of tabs without scrolling, and every tab label lies inside it.
TEST_F(WindowTest, AllTabsShowWithoutScrollArrows) {
    GtkNotebook* notebook = GTK_NOTEBOOK(dialog->ID_NOTEBOOK1->GetHandle());
    gtk_notebook_set_scrollable(notebook, FALSE);
    int needed = 0;
    int natural = 0;
    gtk_widget_get_preferred_width(GTK_WIDGET(notebook), &needed, &natural);
    gtk_notebook_set_scrollable(notebook, TRUE);
    PumpEvents(50);
    GtkAllocation book;
    gtk_widget_get_allocation(GTK_WIDGET(notebook), &book);
    EXPECT_GE(book.width, needed);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        GtkWidget* label =
            gtk_notebook_get_tab_label(notebook, gtk_notebook_get_nth_page(notebook, i));
        ASSERT_NE(label, nullptr);
        EXPECT_TRUE(gtk_widget_get_child_visible(label));
        GtkAllocation tab;
        gtk_widget_get_allocation(label, &tab);
        EXPECT_GE(tab.x, book.x);
        EXPECT_LE(tab.x + tab.width, book.x + book.width);
        int labelNeeds = 0;
        gtk_widget_get_preferred_width(label, &labelNeeds, &natural);
        EXPECT_GE(tab.width, labelNeeds);
    }
}

// Every page change disables "ControlID" and its label on "NumCtrls" (its
// "<Ctrls" enables them again) and keeps currentPage.
TEST_F(WindowTest, PageChangeTracksThePageAndDisablesControlId) {
    for (int page : {1, 2, 3, 4, 5, 0, 1, 0, 1}) {
        SCOPED_TRACE(page);
        dialog->ID_STATICTEXT114->Enable();
        dialog->ID_TEXTCTRL67->Enable();
        ShowPage(page);
        EXPECT_EQ(currentPage, page);
        EXPECT_EQ(dialog->ID_NOTEBOOK1->GetSelection(), page);
        EXPECT_FALSE(dialog->ID_STATICTEXT114->IsEnabled());
        EXPECT_FALSE(dialog->ID_TEXTCTRL67->IsEnabled());
    }
}

// Bit b is the box ID_CHECKBOX<36-b> under its number ID_STATICTEXT<108-b>
// (bit 31: ID_STATICTEXT19); rows of eight from 31..24 down to 7..0.
TEST_F(WindowTest, MaskBoxesAreIndexedByBitInFourRowsUnderTheirNumbers) {
    for (int bit = 0; bit < 32; ++bit) {
        SCOPED_TRACE(bit);
        wxCheckBox* box = maskBoxes[bit];
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box, dialog->maskBitBox[bit]);
        EXPECT_EQ(box->GetName(), wxString::Format("ID_CHECKBOX%d", 36 - bit));
        EXPECT_EQ(box->GetParent(), dialog->ID_PANEL1);
        EXPECT_EQ(box->GetLabel(), "");
        EXPECT_FALSE(box->GetValue());
        EXPECT_FALSE(box->Is3State());
        EXPECT_EQ(GetAccessibleName(box), wxString::Format("Bit %d", bit));

        wxStaticText* caption = dialog->maskBitCaption[bit];
        ASSERT_NE(caption, nullptr);
        EXPECT_EQ(caption->GetName(),
                  wxString::Format("ID_STATICTEXT%d", bit == 31 ? 19 : 108 - bit));
        EXPECT_EQ(caption->GetLabel(), wxString::Format("%d", bit));
        const wxRect c = caption->GetRect();
        const wxRect b = box->GetRect();
        EXPECT_LE(c.GetBottom(), b.GetTop());  // directly above its box
        EXPECT_NEAR(c.x + c.width / 2, b.x + b.width / 2, 2);

        const int column = 7 - bit % 8;  // bit 31 leftmost in its row
        const int row = 3 - bit / 8;     // bits 31..24 in the first row
        if (column > 0) {
            const wxRect leftNeighbour = maskBoxes[bit + 1]->GetRect();
            EXPECT_EQ(leftNeighbour.y, b.y);
            EXPECT_LT(leftNeighbour.GetRight(), b.x);
        }
        if (row > 0) {
            const wxRect above = maskBoxes[bit + 8]->GetRect();
            EXPECT_EQ(above.x, b.x);
            EXPECT_LT(above.GetBottom(), c.y);
        }
    }
    // "All clear", "All set", "Invert" stacked on the left; "> Mask", "< Mask"
    // on the right.
    const int boxesLeft = maskBoxes[31]->GetRect().x;
    const int boxesRight = maskBoxes[0]->GetRect().GetRight();
    wxButton* leftStack[] = {dialog->ID_BUTTON26, dialog->ID_BUTTON27, dialog->ID_BUTTON28};
    wxButton* rightStack[] = {dialog->ID_BUTTON29, dialog->ID_BUTTON30};
    for (int i = 0; i < 3; ++i) {
        EXPECT_LT(leftStack[i]->GetRect().GetRight(), boxesLeft);
        if (i > 0) {
            EXPECT_GT(leftStack[i]->GetRect().y, leftStack[i - 1]->GetRect().GetBottom());
        }
    }
    for (int i = 0; i < 2; ++i) {
        EXPECT_GT(rightStack[i]->GetRect().x, boxesRight);
        if (i > 0) {
            EXPECT_GT(rightStack[i]->GetRect().y, rightStack[i - 1]->GetRect().GetBottom());
        }
    }
}

TEST_F(WindowTest, FieldsCarryTheAccessibleNameOfTheirLabel) {
    const std::pair<const char*, const char*> names[] = {
        {"ID_TEXTCTRL2", "Remarks"},
        {"ID_TEXTCTRL7", "Result section for ini file"},
        {"ID_TEXTCTRL22", "Device"},
        {"ID_COMBOBOX1", "Serial port"},
        {"ID_COMBOBOX2", "Baudrate"},
        {"ID_TEXTCTRL47", "UDP port"},
        {"ID_TEXTCTRL63", "ID filter"},
        {"ID_TEXTCTRL25", "Last control event:"},
        {"ID_TEXTCTRL10", "EvID(decimal)"},
        {"ID_CHOICE2", "Control type"},
        {"ID_TEXTCTRL1", "Offset"},
        {"ID_CHOICE1", "Data[Offset] type"},
        {"ID_CHOICE8", "Data[Offset] size"},
        {"ID_CHOICE11", "Encoding"},
        {"ID_TEXTCTRL9", "0:"},
        {"ID_TEXTCTRL8", "1:"},
        {"ID_TEXTCTRL6", "Mask:"},
        {"ID_TEXTCTRL3", "Min:"},
        {"ID_TEXTCTRL4", "Max:"},
        {"ID_TEXTCTRL5", "Increment:"},
        {"ID_TEXTCTRL59", "Last control event:"},
        {"ID_TEXTCTRL60", "EvId(decimal)"},
        {"ID_TEXTCTRL61", "Event filter"},
        {"ID_TEXTCTRL62", "Current value"},
        {"ID_TEXTCTRL17", "Offset"},
        {"ID_TEXTCTRL67", "ControlID"},
        {"ID_CHOICE9", "Data[Offset] type"},
        {"ID_CHOICE7", "Data[Offset] size"},
        {"ID_CHOICE12", "Encoding"},
        {"ID_TEXTCTRL49", "factor"},
        {"ID_TEXTCTRL66", "zero offset"},
        {"ID_TEXTCTRL50", "DeviceMax"},
        {"ID_TEXTCTRL51", "SimMax:"},
        {"ID_TEXTCTRL56", "DevCenter"},
        {"ID_TEXTCTRL57", "SimMin:"},
        {"ID_TEXTCTRL58", "DeviceMin"},
    };
    for (const auto& [name, accessible] : names) {
        SCOPED_TRACE(name);
        wxWindow* window = Named(name);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(GetAccessibleName(window), accessible);
    }
    // A multi-line box's text lives in a text view inside a scrolled window:
    // the view is what takes the focus, so it carries the name too.
    for (wxTextCtrl* box : {dialog->ID_TEXTCTRL2, dialog->ID_TEXTCTRL7}) {
        SCOPED_TRACE(box->GetName());
        GtkWidget* view = box->GetConnectWidget();
        ASSERT_TRUE(GTK_IS_TEXT_VIEW(view));
        ASSERT_NE(view, box->GetHandle());
        EXPECT_STREQ(atk_object_get_name(gtk_widget_get_accessible(view)),
                     GetAccessibleName(box).utf8_str().data());
    }
}

// The toolkit's walk over the dialog's windows after each pass of its loop
// reaches the controls at most once per interval, however often the loop
// goes idle (here about once a millisecond), and only those of the page
// shown; the dialog itself is served on every pass.
TEST_F(WindowTest, IdleWalkReachesTheShownControlsAtMostOncePerInterval) {
    int dialogPasses = 0;
    auto countDialog = [&dialogPasses](wxIdleEvent&) { ++dialogPasses; };
    dialog->SetExtraStyle(dialog->GetExtraStyle() | wxWS_EX_PROCESS_IDLE);
    dialog->Bind(wxEVT_IDLE, countDialog);
    struct Walks {
        int count;
        int intervals;  // the most walks the time pumped allows
    };
    auto walksOver1s = [](wxWindow* control) {
        int count = 0;
        auto onIdle = [&count](wxIdleEvent&) { ++count; };
        control->SetExtraStyle(control->GetExtraStyle() | wxWS_EX_PROCESS_IDLE);
        control->Bind(wxEVT_IDLE, onIdle);
        const auto start = std::chrono::steady_clock::now();
        PumpEvents(1000);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        control->Unbind(wxEVT_IDLE, onIdle);
        return Walks{count, static_cast<int>(elapsed / loggerDialog::kIdleWalkInterval) + 1};
    };

    // The Device panel is always shown; "Data for indic. test" is on the
    // Indication page, left out until that page is selected.
    wxWindow* devicePanelField = dialog->ID_TEXTCTRL22;
    wxWindow* indicationField = Named("ID_TEXTCTRL12");
    ASSERT_NE(indicationField, nullptr);
    const Walks shown = walksOver1s(devicePanelField);
    EXPECT_GE(shown.count, 3);
    EXPECT_LE(shown.count, shown.intervals);
    EXPECT_EQ(walksOver1s(indicationField).count, 0);

    ShowPage(2);
    const Walks selected = walksOver1s(indicationField);
    EXPECT_GE(selected.count, 3);
    EXPECT_LE(selected.count, selected.intervals);

    dialog->Unbind(wxEVT_IDLE, countDialog);
    EXPECT_GT(dialogPasses, 100);
}

}  // namespace
