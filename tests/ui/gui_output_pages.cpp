// The "Indication", "AlphNum Indic", "Discrete Indic" and "Axes" pages of the
// real window: their controls as built, the two output grids, the axis rows
// and the Axes page's handlers.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/grid.h>
#include <wx/notebook.h>

#include <string>
#include <vector>

#include "GuiTest.h"
#include "ui/Controls.h"
#include "ui/loggerDialog.h"

namespace {

class OutputPagesTest : public testing::Test {
  protected:
    void SetUp() override {
        dialog = new loggerDialog();
        dialog->Show();
        PumpEvents(100);
    }
    void TearDown() override {
        dialog->Destroy();
        PumpEvents(50);
    }

    wxWindow* Named(const std::string& name) const {
        return wxWindow::FindWindowByName(name, dialog);
    }
    // Shows the page so that GTK gives it (and its controls) their sizes.
    void ShowPage(wxPanel* page) {
        dialog->ID_NOTEBOOK1->SetSelection(dialog->ID_NOTEBOOK1->FindPage(page));
        PumpEvents(100);
    }

    loggerDialog* dialog = nullptr;
};

bool IsDescendantOf(wxWindow* window, wxWindow* ancestor) {
    for (wxWindow* w = window; w != nullptr; w = w->GetParent())
        if (w == ancestor) return true;
    return false;
}

// What a control shows: a label's or button's caption, a field's text, the
// selected item of a choice.
wxString ShownText(wxWindow* window) {
    if (auto* text = dynamic_cast<wxTextCtrl*>(window)) return text->GetValue();
    if (auto* choice = dynamic_cast<wxChoice*>(window)) return choice->GetStringSelection();
    return wxControl::RemoveMnemonics(window->GetLabel());  // the caption as shown
}

enum Enabled { kOff, kOn, kAny };  // kAny: set later by the Indication enable rule

struct ControlRow {
    const char* name;
    const char* page;
    const char* className;
    const char* text;
    Enabled enabled;
};

// Every control of the four pages as the window is opened.
const ControlRow kControls[] = {
    // Indication
    {"ID_STATICTEXT500", "ID_PANEL2", "wxStaticText", "Indication type", kOn},
    {"ID_CHOICE4", "ID_PANEL2", "wxChoice", "Discrete ( LEDs, Lamps, Power keys )", kOn},
    {"ID_STATICTEXT501", "ID_PANEL2", "wxStaticText", "    Offset", kOn},
    {"ID_TEXTCTRL11", "ID_PANEL2", "wxTextCtrl", "", kOn},
    {"ID_STATICTEXT502", "ID_PANEL2", "wxStaticText", "Data[Offset] type", kOn},
    {"ID_CHOICE3", "ID_PANEL2", "wxChoice", "Integer", kOn},
    {"ID_STATICTEXT503", "ID_PANEL2", "wxStaticText", "Data[Offset] size", kOn},
    {"ID_CHOICE10", "ID_PANEL2", "wxChoice", "2", kOn},
    {"ID_STATICTEXT504", "ID_PANEL2", "wxStaticText", "Encoding", kOn},
    {"ID_CHOICE13", "ID_PANEL2", "wxChoice", "Normal", kOn},
    {"ID_STATICTEXT505", "ID_PANEL2", "wxStaticText", "[section name]", kOn},
    {"ID_TEXTCTRL13", "ID_PANEL2", "wxTextCtrl", "", kOn},
    {"ID_BUTTON6", "ID_PANEL2", "wxButton", "Add indication \nsection", kOn},
    {"ID_STATICTEXT506", "ID_PANEL2", "wxStaticText", "*Device:", kOn},
    {"ID_TEXTCTRL14", "ID_PANEL2", "wxTextCtrl", "", kAny},
    {"ID_STATICTEXT507", "ID_PANEL2", "wxStaticText", "**Position:", kOn},
    {"ID_TEXTCTRL15", "ID_PANEL2", "wxTextCtrl", "", kAny},
    {"ID_STATICTEXT508", "ID_PANEL2", "wxStaticText", "Length:", kOn},
    {"ID_TEXTCTRL16", "ID_PANEL2", "wxTextCtrl", "", kAny},
    {"ID_STATICTEXT509", "ID_PANEL2", "wxStaticText", "Factor:", kOn},
    {"ID_TEXTCTRL18", "ID_PANEL2", "wxTextCtrl", "", kAny},
    {"ID_STATICTEXT510", "ID_PANEL2", "wxStaticText", "Zero Offset:", kOn},
    {"ID_TEXTCTRL19", "ID_PANEL2", "wxTextCtrl", "", kAny},
    {"ID_STATICTEXT511", "ID_PANEL2", "wxStaticText", "Mask:", kOn},
    {"ID_TEXTCTRL20", "ID_PANEL2", "wxTextCtrl", "", kAny},
    {"ID_CHECKBOX1", "ID_PANEL2", "wxCheckBox", "Show leading zeroes", kAny},
    {"ID_STATICTEXT69", "ID_PANEL2", "wxStaticText",
     "*   means 8-symbols unit e.g. MAX7219\n"
     "** 1. Symbol position for alphanumeric indication unit.\n"
     "     2. Absolute position for discrete indicators",
     kOn},
    {"ID_STATICTEXT512", "ID_PANEL2", "wxStaticText", "IndicMax", kOn},
    {"ID_TEXTCTRL21", "ID_PANEL2", "wxTextCtrl", "", kOn},
    {"ID_STATICTEXT513", "ID_PANEL2", "wxStaticText", "SimMax:", kOn},
    {"ID_TEXTCTRL46", "ID_PANEL2", "wxTextCtrl", "", kOn},
    {"ID_STATICTEXT514", "ID_PANEL2", "wxStaticText", "IndicMin", kOn},
    {"ID_TEXTCTRL65", "ID_PANEL2", "wxTextCtrl", "", kOn},
    {"ID_STATICTEXT515", "ID_PANEL2", "wxStaticText", "SimMin:", kOn},
    {"ID_TEXTCTRL64", "ID_PANEL2", "wxTextCtrl", "", kOn},
    {"ID_BUTTON24", "ID_PANEL2", "wxButton", "Calculate \nfactor and zero_offset", kOn},
    {"ID_STATICTEXT516", "ID_PANEL2", "wxStaticText", "Prepared data to send to device", kOn},
    {"ID_TEXTCTRL23", "ID_PANEL2", "wxTextCtrl", "", kOn},
    {"ID_BUTTON15", "ID_PANEL2", "wxButton", "Value 1 >", kOn},
    {"ID_TEXTCTRL24", "ID_PANEL2", "wxTextCtrl", "", kOn},
    {"ID_BUTTON16", "ID_PANEL2", "wxButton", "Value 2 >", kOn},
    {"ID_TEXTCTRL45", "ID_PANEL2", "wxTextCtrl", "", kOn},
    {"ID_BUTTON17", "ID_PANEL2", "wxButton", "Value 3 >", kOn},
    {"ID_STATICTEXT517", "ID_PANEL2", "wxStaticText", "Data for indic. test", kOn},
    {"ID_TEXTCTRL12", "ID_PANEL2", "wxTextCtrl", "0", kOn},
    // AlphNum Indic, Discrete Indic
    {"ID_GRID1", "ID_PANEL4", "wxGrid", "", kOn},
    {"ID_BUTTON7", "ID_PANEL4", "wxButton", "Clear outputs", kOn},
    {"ID_GRID2", "ID_PANEL5", "wxGrid", "", kOn},
    {"ID_BUTTON11", "ID_PANEL5", "wxButton", "Clear outputs", kOn},
    // Axes
    {"ID_STATICTEXT576", "ID_PANEL3", "wxStaticText", "Dataref type", kOn},
    {"ID_CHOICE6", "ID_PANEL3", "wxChoice", "Dataref int", kOn},
    {"ID_STATICTEXT577", "ID_PANEL3", "wxStaticText", "Axis", kOn},
    {"ID_CHOICE5", "ID_PANEL3", "wxChoice", "0", kOn},
    {"ID_STATICTEXT578", "ID_PANEL3", "wxStaticText", "Dataref", kOn},
    {"ID_TEXTCTRL42", "ID_PANEL3", "wxTextCtrl", "", kOn},
    {"ID_STATICTEXT579", "ID_PANEL3", "wxStaticText", "[section name]", kOn},
    {"ID_TEXTCTRL43", "ID_PANEL3", "wxTextCtrl", "", kOn},
    {"ID_STATICTEXT580", "ID_PANEL3", "wxStaticText", "Index:", kOn},
    {"ID_TEXTCTRL48", "ID_PANEL3", "wxTextCtrl", "", kOff},
    {"ID_BUTTON12", "ID_PANEL3", "wxButton", "DeviceMax >", kOn},
    {"ID_TEXTCTRL44", "ID_PANEL3", "wxTextCtrl", "", kOn},
    {"ID_STATICTEXT581", "ID_PANEL3", "wxStaticText", "SimMax:", kOn},
    {"ID_TEXTCTRL54", "ID_PANEL3", "wxTextCtrl", "", kOn},
    {"ID_BUTTON13", "ID_PANEL3", "wxButton", "DevCenter >", kOff},
    {"ID_TEXTCTRL52", "ID_PANEL3", "wxTextCtrl", "", kOff},
    {"ID_STATICTEXT582", "ID_PANEL3", "wxStaticText", "SimMin:", kOn},
    {"ID_TEXTCTRL55", "ID_PANEL3", "wxTextCtrl", "", kOn},
    {"ID_BUTTON14", "ID_PANEL3", "wxButton", "DeviceMin >", kOn},
    {"ID_TEXTCTRL53", "ID_PANEL3", "wxTextCtrl", "", kOn},
    {"ID_CHECKBOX3", "ID_PANEL3", "wxCheckBox", "Has center:", kOn},
    {"ID_BUTTON10", "ID_PANEL3", "wxButton", "Add axis section", kOff},
};

TEST_F(OutputPagesTest, ControlsHaveTheirNameClassTextAndEnabledState) {
    for (const ControlRow& row : kControls) {
        SCOPED_TRACE(row.name);
        wxWindow* control = Named(row.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(wxString(control->GetClassInfo()->GetClassName()), row.className);
        EXPECT_TRUE(IsDescendantOf(control, Named(row.page))) << "not on " << row.page;
        if (std::string(row.className) != "wxGrid") {
            EXPECT_EQ(ShownText(control), row.text);
        }
        if (row.enabled != kAny) {
            EXPECT_EQ(control->IsEnabled(), row.enabled == kOn);
        }
    }
}

TEST_F(OutputPagesTest, PagesAreNamedPanelsInTheirTabs) {
    struct Row {
        wxPanel* panel;
        const char* name;
        const char* tab;
    };
    const Row rows[] = {{dialog->ID_PANEL2, "ID_PANEL2", "Indication"},
                        {dialog->ID_PANEL4, "ID_PANEL4", "AlphNum Indic"},
                        {dialog->ID_PANEL5, "ID_PANEL5", "Discrete Indic"},
                        {dialog->ID_PANEL3, "ID_PANEL3", "Axes"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_NE(row.panel, nullptr);
        EXPECT_EQ(row.panel->GetName(), row.name);
        EXPECT_EQ(row.panel->GetParent(), dialog->ID_NOTEBOOK1);
        EXPECT_TRUE(row.panel->HasFlag(wxTAB_TRAVERSAL));
        const int index = dialog->ID_NOTEBOOK1->FindPage(row.panel);
        ASSERT_NE(index, wxNOT_FOUND);
        EXPECT_EQ(dialog->ID_NOTEBOOK1->GetPageText(index), row.tab);
    }
}

TEST_F(OutputPagesTest, MembersPointAtTheControlsOfTheirName) {
    struct Row {
        wxWindow* member;
        const char* name;
    };
#define ROW(n) \
    { dialog->n, #n }
    const Row rows[] = {
        ROW(ID_CHOICE4),    ROW(ID_TEXTCTRL11), ROW(ID_CHOICE3),      ROW(ID_CHOICE10),
        ROW(ID_CHOICE13),   ROW(ID_TEXTCTRL13), ROW(ID_BUTTON6),      ROW(ID_TEXTCTRL14),
        ROW(ID_TEXTCTRL15), ROW(ID_TEXTCTRL16), ROW(ID_TEXTCTRL18),   ROW(ID_TEXTCTRL19),
        ROW(ID_TEXTCTRL20), ROW(ID_CHECKBOX1),  ROW(ID_STATICTEXT69), ROW(ID_TEXTCTRL21),
        ROW(ID_TEXTCTRL46), ROW(ID_TEXTCTRL65), ROW(ID_TEXTCTRL64),   ROW(ID_BUTTON24),
        ROW(ID_TEXTCTRL12), ROW(ID_TEXTCTRL23), ROW(ID_TEXTCTRL24),   ROW(ID_TEXTCTRL45),
        ROW(ID_BUTTON15),   ROW(ID_BUTTON16),   ROW(ID_BUTTON17),     ROW(ID_GRID1),
        ROW(ID_BUTTON7),    ROW(ID_GRID2),      ROW(ID_BUTTON11),     ROW(ID_CHOICE6),
        ROW(ID_CHOICE5),    ROW(ID_TEXTCTRL42), ROW(ID_TEXTCTRL43),   ROW(ID_TEXTCTRL48),
        ROW(ID_BUTTON12),   ROW(ID_TEXTCTRL44), ROW(ID_TEXTCTRL54),   ROW(ID_BUTTON13),
        ROW(ID_TEXTCTRL52), ROW(ID_TEXTCTRL55), ROW(ID_BUTTON14),     ROW(ID_TEXTCTRL53),
        ROW(ID_CHECKBOX3),  ROW(ID_BUTTON10),
    };
#undef ROW
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_NE(row.member, nullptr);
        EXPECT_EQ(row.member->GetName(), row.name);
        EXPECT_EQ(Named(row.name), row.member) << "another window has the same name";
    }
}

TEST_F(OutputPagesTest, ChoicesHoldTheirItems) {
    struct Row {
        const char* name;
        std::vector<const char*> items;
    };
    std::vector<const char*> axes;
    const char* axisItems[] = {"0", "1", "2",  "3",  "4",  "5",  "6",  "7",
                               "8", "9", "10", "11", "12", "13", "14", "15"};
    axes.assign(std::begin(axisItems), std::end(axisItems));
    const Row rows[] = {
        {"ID_CHOICE4",
         {"Numeric ( LCD, 7-seg ind. Servo/Stepper motors )",
          "Discrete ( LEDs, Lamps, Power keys )"}},
        {"ID_CHOICE3", {"Integer", "Unsigned Integer", "Float", "String"}},
        {"ID_CHOICE10", {"1", "2", "4", "8"}},
        {"ID_CHOICE13", {"Normal", "BCD"}},
        {"ID_CHOICE6", {"", "Dataref int", "Dataref float", "Array int", "Array float"}},
        {"ID_CHOICE5", axes},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto* choice = dynamic_cast<wxChoice*>(Named(row.name));
        ASSERT_NE(choice, nullptr);
        ASSERT_EQ(choice->GetCount(), row.items.size());
        for (unsigned i = 0; i < row.items.size(); ++i)
            EXPECT_EQ(choice->GetString(i), row.items[i]) << "item " << i;
    }
}

TEST_F(OutputPagesTest, OutputGridsHaveTheirShapeAndLabels) {
    struct Row {
        wxGrid* grid;
        int rows, cols, rowStep;
    };
    const Row rows[] = {{dialog->ID_GRID1, 16, 8, 1}, {dialog->ID_GRID2, 7, 10, 10}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.grid->GetName());
        ASSERT_EQ(row.grid->GetNumberRows(), row.rows);
        ASSERT_EQ(row.grid->GetNumberCols(), row.cols);
        for (int r = 0; r < row.rows; ++r)
            EXPECT_EQ(row.grid->GetRowLabelValue(r), wxString::Format("%d", r * row.rowStep));
        for (int c = 0; c < row.cols; ++c)
            EXPECT_EQ(row.grid->GetColLabelValue(c), wxString::Format("%d", c));
        EXPECT_TRUE(row.grid->IsEditable());
        EXPECT_TRUE(row.grid->GridLinesEnabled());
        // Empty until the first refresh from a frame.
        for (int r = 0; r < row.rows; ++r)
            for (int c = 0; c < row.cols; ++c) EXPECT_EQ(row.grid->GetCellValue(r, c), "");
    }
}

TEST_F(OutputPagesTest, AxisFieldsAreTheSixteenRowsInOrder) {
    const char* names[16] = {"ID_TEXTCTRL30", "ID_TEXTCTRL26", "ID_TEXTCTRL27", "ID_TEXTCTRL28",
                             "ID_TEXTCTRL29", "ID_TEXTCTRL31", "ID_TEXTCTRL32", "ID_TEXTCTRL33",
                             "ID_TEXTCTRL34", "ID_TEXTCTRL35", "ID_TEXTCTRL36", "ID_TEXTCTRL37",
                             "ID_TEXTCTRL38", "ID_TEXTCTRL39", "ID_TEXTCTRL40", "ID_TEXTCTRL41"};
    for (int row = 0; row < 16; ++row) {
        SCOPED_TRACE(row);
        ASSERT_NE(axisFields[row], nullptr);
        EXPECT_EQ(axisFields[row], dialog->axisValueField[row]);
        EXPECT_EQ(axisFields[row]->GetName(), names[row]);
        EXPECT_EQ(Named(names[row]), axisFields[row]);
        EXPECT_EQ(axisFields[row]->GetValue(), "12345");
        EXPECT_TRUE(axisFields[row]->HasFlag(wxTE_RIGHT));
        EXPECT_TRUE(axisFields[row]->IsEnabled());
        EXPECT_TRUE(IsDescendantOf(axisFields[row], dialog->ID_PANEL3));
        // The caption of the row: one-digit rows up to 8 carry a leading blank.
        auto* caption = Named(wxString::Format("ID_STATICTEXT%d", 560 + row).ToStdString());
        ASSERT_NE(caption, nullptr);
        EXPECT_EQ(caption->GetLabel(),
                  row <= 8 ? wxString::Format(" %d:", row) : wxString::Format("%d:", row));
    }
}

bool IsHighlighted(wxTextCtrl* field) {
    return field->GetForegroundColour() == wxColour(255, 255, 255) &&
           field->GetBackgroundColour() == wxColour(0, 0, 0) &&
           field->GetFont().GetWeight() == wxFONTWEIGHT_BOLD;
}

std::vector<int> HighlightedRows() {
    std::vector<int> rows;
    for (int row = 0; row < 16; ++row)
        if (IsHighlighted(axisFields[row])) rows.push_back(row);
    return rows;
}

TEST_F(OutputPagesTest, AxisRowZeroIsHighlightedWhenTheWindowOpens) {
    EXPECT_EQ(HighlightedRows(), std::vector<int>{0});
    EXPECT_NE(axisFields[1]->GetBackgroundColour(), wxColour(0, 0, 0));
    EXPECT_NE(axisFields[1]->GetFont().GetWeight(), wxFONTWEIGHT_BOLD);
}

TEST_F(OutputPagesTest, AxisChoiceMovesTheHighlight) {
    const wxTextCtrl* dataref = dialog->ID_TEXTCTRL42;
    auto expectPlain = [dataref](int row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(axisFields[row]->GetForegroundColour(), dataref->GetForegroundColour());
        EXPECT_EQ(axisFields[row]->GetBackgroundColour(), dataref->GetBackgroundColour());
        EXPECT_EQ(axisFields[row]->GetFont(), dataref->GetFont());
    };

    Select(dialog->ID_CHOICE5, 5);
    EXPECT_EQ(HighlightedRows(), std::vector<int>{5});
    EXPECT_EQ(axisFields[5]->GetFont(), dataref->GetFont().Bold());
    for (int row = 0; row < 16; ++row)
        if (row != 5) {
            expectPlain(row);
        }

    Select(dialog->ID_CHOICE5, 5);  // the same row again keeps it
    EXPECT_EQ(HighlightedRows(), std::vector<int>{5});

    Select(dialog->ID_CHOICE5, 15);
    EXPECT_EQ(HighlightedRows(), std::vector<int>{15});
    expectPlain(5);

    Select(dialog->ID_CHOICE5, 0);
    EXPECT_EQ(HighlightedRows(), std::vector<int>{0});

    // The look changes, never the text.
    for (int row = 0; row < 16; ++row) EXPECT_EQ(axisFields[row]->GetValue(), "12345");
}

TEST_F(OutputPagesTest, DatarefTypeEnablesIndexOnlyForArrays) {
    struct Step {
        int selection;  // wxNOT_FOUND: no selection
        bool indexEnabled;
        const char* why;
    };
    const Step steps[] = {
        {3, true, "\"Array int\" enables"},
        {2, false, "\"Dataref float\" disables"},
        {0, false, "the empty item leaves it disabled"},
        {4, true, "\"Array float\" enables"},
        {0, true, "the empty item leaves it enabled"},
        {wxNOT_FOUND, true, "no selection leaves it enabled"},
        {1, false, "\"Dataref int\" disables"},
        {wxNOT_FOUND, false, "no selection leaves it disabled"},
    };
    dialog->ID_TEXTCTRL48->ChangeValue("7");
    for (const Step& step : steps) {
        SCOPED_TRACE(step.why);
        Select(dialog->ID_CHOICE6, step.selection);
        EXPECT_EQ(dialog->ID_TEXTCTRL48->IsEnabled(), step.indexEnabled);
        EXPECT_EQ(dialog->ID_TEXTCTRL48->GetValue(), "7");
    }
}

TEST_F(OutputPagesTest, AddAxisSectionStaysDisabled) {
    ShowPage(dialog->ID_PANEL3);
    for (int selection = 0; selection < 5; ++selection) Select(dialog->ID_CHOICE6, selection);
    for (int axis = 0; axis < 16; ++axis) Select(dialog->ID_CHOICE5, axis);
    Tick(dialog->ID_CHECKBOX3, true);
    Click(dialog->ID_BUTTON12);
    Click(dialog->ID_BUTTON14);
    PumpEvents(50);
    EXPECT_FALSE(dialog->ID_BUTTON10->IsEnabled());
}

TEST_F(OutputPagesTest, FieldsAndChoicesCarryTheirAccessibleNames) {
    struct Row {
        wxWindow* control;
        const char* name;
    };
    std::vector<Row> rows = {
        {dialog->ID_CHOICE4, "Indication type"},
        {dialog->ID_TEXTCTRL11, "Offset"},
        {dialog->ID_CHOICE3, "Data[Offset] type"},
        {dialog->ID_CHOICE10, "Data[Offset] size"},
        {dialog->ID_CHOICE13, "Encoding"},
        {dialog->ID_TEXTCTRL13, "[section name]"},
        {dialog->ID_TEXTCTRL14, "*Device:"},
        {dialog->ID_TEXTCTRL15, "**Position:"},
        {dialog->ID_TEXTCTRL16, "Length:"},
        {dialog->ID_TEXTCTRL18, "Factor:"},
        {dialog->ID_TEXTCTRL19, "Zero Offset:"},
        {dialog->ID_TEXTCTRL20, "Mask:"},
        {dialog->ID_TEXTCTRL21, "IndicMax"},
        {dialog->ID_TEXTCTRL46, "SimMax:"},
        {dialog->ID_TEXTCTRL65, "IndicMin"},
        {dialog->ID_TEXTCTRL64, "SimMin:"},
        {dialog->ID_TEXTCTRL23, "Prepared value 1"},
        {dialog->ID_TEXTCTRL24, "Prepared value 2"},
        {dialog->ID_TEXTCTRL45, "Prepared value 3"},
        {dialog->ID_TEXTCTRL12, "Data for indic. test"},
        {dialog->ID_CHOICE6, "Dataref type"},
        {dialog->ID_CHOICE5, "Axis"},
        {dialog->ID_TEXTCTRL42, "Dataref"},
        {dialog->ID_TEXTCTRL43, "[section name]"},
        {dialog->ID_TEXTCTRL48, "Index:"},
        {dialog->ID_TEXTCTRL44, "DeviceMax"},
        {dialog->ID_TEXTCTRL54, "SimMax:"},
        {dialog->ID_TEXTCTRL52, "DevCenter"},
        {dialog->ID_TEXTCTRL55, "SimMin:"},
        {dialog->ID_TEXTCTRL53, "DeviceMin"},
    };
    static const std::string axisNames[16] = {
        "Axis 0", "Axis 1", "Axis 2",  "Axis 3",  "Axis 4",  "Axis 5",  "Axis 6",  "Axis 7",
        "Axis 8", "Axis 9", "Axis 10", "Axis 11", "Axis 12", "Axis 13", "Axis 14", "Axis 15"};
    for (int row = 0; row < 16; ++row) rows.push_back({axisFields[row], axisNames[row].c_str()});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.control->GetName() + " " + row.name);
        EXPECT_EQ(GetAccessibleName(row.control), row.name);
    }
}

// Whether `text` in `font` fits the entry's text area, the part of the field
// inside the theme's padding and border where GTK draws the text.
::testing::AssertionResult ShowsWhole(wxTextCtrl* field, const wxString& text, const wxFont& font) {
    GdkRectangle area{};
    gtk_entry_get_text_area(GTK_ENTRY(field->GetHandle()), &area);
    int width = 0;
    field->GetTextExtent(text, &width, nullptr, nullptr, nullptr, &font);
    if (width <= area.width) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "\"" << text << "\" is " << width << " px wide, the text area " << area.width;
}

// Every control of a page is at least as large as it wants to be, lies
// within the page, and overlaps no other control of the page.
TEST_F(OutputPagesTest, PagesShowEveryControlWholeAndApart) {
    for (wxPanel* page :
         {dialog->ID_PANEL2, dialog->ID_PANEL4, dialog->ID_PANEL5, dialog->ID_PANEL3}) {
        ShowPage(page);
        SCOPED_TRACE(page->GetName());
        const wxRect area(page->GetClientSize());
        std::vector<wxWindow*> controls;
        for (wxWindow* child : page->GetChildren())
            if (child->IsShown()) controls.push_back(child);
        ASSERT_FALSE(controls.empty());
        for (wxWindow* control : controls) {
            SCOPED_TRACE(control->GetName());
            const wxRect rect = control->GetRect();
            EXPECT_TRUE(area.Contains(rect)) << "cut by the page edge";
            const wxSize best = control->GetBestSize();
            if (auto* field = dynamic_cast<wxTextCtrl*>(control)) {
                // GTK entries ask for more than they need; the text must fit.
                // Their natural height includes a generous margin too (and is
                // asked anew when the highlight makes a field bold); the line
                // of text itself must fit.
                EXPECT_TRUE(ShowsWhole(field, field->GetValue(), field->GetFont()));
                EXPECT_GE(rect.height, field->GetTextExtent("Ag").y + 4);
            } else {
                EXPECT_GE(rect.width, best.x);
                EXPECT_GE(rect.height, best.y);
            }
            for (wxWindow* other : controls) {
                if (other == control) continue;
                EXPECT_FALSE(rect.Intersects(other->GetRect())) << "overlaps " << other->GetName();
            }
        }
    }
}

// Whichever row is highlighted, its value shows whole in the bold face, and
// so do the longest texts of the other fields.
TEST_F(OutputPagesTest, FieldsAreWideEnoughForTheirLongestTexts) {
    ShowPage(dialog->ID_PANEL3);
    for (int row = 0; row < 16; ++row) {
        SCOPED_TRACE(row);
        Select(dialog->ID_CHOICE5, row);
        PumpEvents(5);
        wxTextCtrl* field = axisFields[row];
        EXPECT_TRUE(ShowsWhole(field, field->GetValue(), field->GetFont()));
    }
    struct Row {
        wxTextCtrl* field;
        const char* longest;
    };
    const Row rows[] = {
        {dialog->ID_TEXTCTRL18, "-1.000000e+000"},  // written by the calculator
        {dialog->ID_TEXTCTRL19, "-1.000000e+000"},
        {dialog->ID_TEXTCTRL20, "-2147483648"},
        {dialog->ID_TEXTCTRL21, "-16383.5"},
        {dialog->ID_TEXTCTRL64, "-16383.5"},
        {dialog->ID_TEXTCTRL23, "12345678"},  // the 8 symbols of a display unit
        {dialog->ID_TEXTCTRL12, "12345678"},
        {dialog->ID_TEXTCTRL44, "12345"},  // an axis value, copied in
        {dialog->ID_TEXTCTRL52, "12345"},
        {dialog->ID_TEXTCTRL53, "12345"},
        {dialog->ID_TEXTCTRL54, "-16383.5"},
        {dialog->ID_TEXTCTRL48, "999"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.field->GetName());
        ShowPage(static_cast<wxPanel*>(row.field->GetParent()));
        EXPECT_TRUE(ShowsWhole(row.field, row.longest, row.field->GetFont()));
    }
}

TEST_F(OutputPagesTest, OutputGridsShowAllCellsWithoutScrolling) {
    for (wxGrid* grid : {dialog->ID_GRID1, dialog->ID_GRID2}) {
        ShowPage(static_cast<wxPanel*>(grid->GetParent()));
        SCOPED_TRACE(grid->GetName());
        wxSize cells(grid->GetRowLabelSize(), grid->GetColLabelSize());
        for (int col = 0; col < grid->GetNumberCols(); ++col) cells.x += grid->GetColSize(col);
        for (int row = 0; row < grid->GetNumberRows(); ++row) cells.y += grid->GetRowSize(row);
        EXPECT_GE(grid->GetClientSize().x, cells.x);
        EXPECT_GE(grid->GetClientSize().y, cells.y);
    }
}

TEST_F(OutputPagesTest, WindowFitsTheScreen) {
    const wxSize size = dialog->GetSize();
    EXPECT_LE(size.x, 1600);
    EXPECT_LE(size.y, 1000 - 40);  // leave room for a title bar and a panel
}

}  // namespace
