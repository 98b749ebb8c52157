// The output pages of the notebook: "Indication" (indication sections, the
// factor calculator and the output test values), the two output test grids
// "AlphNum Indic" and "Discrete Indic", and "Axes".
//
// GTK draws entries, choices and buttons taller than their given heights, so
// the pages put related fields side by side rather than in long columns: the
// tallest page decides the notebook's height and the window must fit a
// 1600 x 1000 screen.
#include <wx/grid.h>
#include <wx/statline.h>

#include <string>

#include "platform/Toolkit.h"
#include "ui/Controls.h"
#include "ui/PageLayout.h"
#include "ui/loggerDialog.h"

namespace {

constexpr int kGap = 3;  // border around every control, in pixels

// Captions that no other part of the program refers to are numbered from 500
// up (Indication 500.., Axes 560..), clear of the numbers that name controls.
std::string LabelName(int number) { return "ID_STATICTEXT" + std::to_string(number); }
std::string LineName(int number) { return "ID_STATICLINE" + std::to_string(number); }

// A row of captions and controls; a flexible grid so that the captions can
// be aligned to the right of their cells.
wxFlexGridSizer* Row(int cells) { return new wxFlexGridSizer(cells, 0, 0); }

// A page mirroring one output frame: its grid, one short text per cell,
// columns as narrow as their labels, and the "Clear outputs" button below.
// Row labels count in steps of `rowStep`.
struct GridPage {
    wxGrid* grid;
    wxButton* clear;
};
GridPage MakeGridPage(wxPanel* page, const char* gridName, int rows, int cols, int rowStep,
                      const char* buttonName) {
    auto* grid = new wxGrid(page, wxWindow::NewControlId(), wxDefaultPosition, wxDefaultSize,
                            wxWANTS_CHARS, gridName);
    grid->CreateGrid(rows, cols);
    grid->EnableEditing(true);
    grid->EnableGridLines(true);
    for (int row = 0; row < rows; ++row)
        grid->SetRowLabelValue(row, wxString::Format("%d", row * rowStep));
    for (int col = 0; col < cols; ++col) grid->SetColLabelValue(col, wxString::Format("%d", col));
    grid->SetDefaultCellAlignment(wxALIGN_CENTRE, wxALIGN_CENTRE);
    grid->SetRowLabelSize(wxGRID_AUTOSIZE);
    grid->SetColLabelSize(wxGRID_AUTOSIZE);
    // The window is fitted before the constructor sizes the columns to
    // their minimum; sizing them here already keeps the page from keeping
    // the room of the default column width.
    grid->AutoSizeColumns(true);
    grid->SetMinSize(grid->GetBestSize());

    auto* clear = MakeButton(page, buttonName, "Clear outputs");
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(grid, 0, wxALL, kGap + 2);
    column->Add(clear, 0, wxALL, kGap + 2);
    page->SetSizer(column);
    return {grid, clear};
}

// Widens a single-line field so that `longest` shows whole in `font`. The
// entry's text area is its width less the theme's padding and border; one
// more pixel on each side keeps the cursor visible after the last character.
// (The toolkit's own text-size query depends on the entry's allocation and so
// on whether the window has been shown yet.)
void FitText(wxTextCtrl* field, const wxString& longest, const wxFont& font) {
    int text = 0;
    field->GetTextExtent(longest, &text, nullptr, nullptr, nullptr, &font);
    const int needed = text + Toolkit::TextFrameWidth(field) + 2;
    if (needed > field->GetMinSize().x) {
        field->SetMinSize(wxSize(needed, -1));
        field->SetSize(field->GetMinSize());
    }
}

// A field that aims for `width` and shows `longest` whole.
wxTextCtrl* MakeSized(wxWindow* parent, const char* name, int width, const wxString& longest,
                      const wxString& value = wxEmptyString) {
    wxTextCtrl* field = MakeText(parent, name, value, width);
    FitText(field, longest, field->GetFont());
    return field;
}

// An axis value field: "12345" right-aligned, whole also in the bold face of
// the highlighted row.
wxTextCtrl* MakeAxisField(wxWindow* parent, const char* name) {
    wxTextCtrl* field = MakeText(parent, name, "12345", 55, wxTE_RIGHT);
    FitText(field, "12345", field->GetFont().Bold());
    return field;
}

// Longest texts the fields are meant to show whole.
const char kNumberSample[] = "-16383.5";
const char kExponentSample[] = "-1.000000e+000";  // written by the calculator

}  // namespace

void loggerDialog::BuildIndicationPage(wxPanel* page) {
    auto* column = new wxBoxSizer(wxVERTICAL);

    auto* typeRow = Row(2);
    wxArrayString types;
    types.Add("Numeric ( LCD, 7-seg ind. Servo/Stepper motors )");
    types.Add("Discrete ( LEDs, Lamps, Power keys )");
    ID_CHOICE4 = MakeChoice(page, "ID_CHOICE4", types, 1, 250);
    AddLabelled(typeRow, page, LabelName(500).c_str(), "Indication type", ID_CHOICE4);
    column->Add(typeRow, 0, wxALL, kGap);

    // Offset and data format, captions above their controls
    auto* dataGrid = Row(4);
    const wxString dataCaptions[] = {"    Offset", "Data[Offset] type", "Data[Offset] size",
                                     "Encoding"};
    for (int i = 0; i < 4; ++i)
        dataGrid->Add(MakeLabel(page, LabelName(501 + i).c_str(), dataCaptions[i]), 0,
                      wxALIGN_BOTTOM | wxLEFT | wxRIGHT | wxTOP, kGap);
    ID_TEXTCTRL11 = MakeText(page, "ID_TEXTCTRL11", wxEmptyString, 119);
    ID_CHOICE3 = MakeChoice(page, "ID_CHOICE3", DataTypeItems(), 0, 151);
    ID_CHOICE10 = MakeChoice(page, "ID_CHOICE10", DataSizeItems(), 1, 80);
    ID_CHOICE13 = MakeChoice(page, "ID_CHOICE13", EncodingItems(), 0, 80);
    wxWindow* dataControls[] = {ID_TEXTCTRL11, ID_CHOICE3, ID_CHOICE10, ID_CHOICE13};
    for (int i = 0; i < 4; ++i) {
        dataGrid->Add(dataControls[i], 0, wxALIGN_CENTER_VERTICAL | wxALL, kGap);
        NameControl(dataControls[i], dataCaptions[i]);
    }
    column->Add(dataGrid, 0, wxLEFT | wxRIGHT, kGap);

    // Section name and the button that writes the section
    auto* nameRow = Row(3);
    ID_TEXTCTRL13 = MakeText(page, "ID_TEXTCTRL13", wxEmptyString, 210);
    AddLabelled(nameRow, page, LabelName(505).c_str(), "[section name]", ID_TEXTCTRL13);
    ID_BUTTON6 = MakeButton(page, "ID_BUTTON6", "Add &indication \nsection", wxSize(95, 49));
    nameRow->Add(ID_BUTTON6, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 12);
    column->Add(nameRow, 0, wxALL, kGap);

    column->Add(MakeLine(page, LineName(500).c_str(), wxLI_HORIZONTAL), 0, wxEXPAND | wxALL, kGap);

    auto* lower = new wxBoxSizer(wxHORIZONTAL);

    // Left: the output's address fields, then the note on the starred ones
    auto* address = new wxBoxSizer(wxVERTICAL);
    auto* addressFields = new wxBoxSizer(wxHORIZONTAL);
    auto* where = Row(2);
    ID_TEXTCTRL14 = MakeText(page, "ID_TEXTCTRL14", wxEmptyString, 70);
    AddLabelled(where, page, LabelName(506).c_str(), "*Device:", ID_TEXTCTRL14);
    ID_TEXTCTRL15 = MakeText(page, "ID_TEXTCTRL15", wxEmptyString, 70);
    AddLabelled(where, page, LabelName(507).c_str(), "**Position:", ID_TEXTCTRL15);
    ID_TEXTCTRL16 = MakeText(page, "ID_TEXTCTRL16", wxEmptyString, 70);
    AddLabelled(where, page, LabelName(508).c_str(), "Length:", ID_TEXTCTRL16);
    addressFields->Add(where);
    auto* scale = Row(2);
    ID_TEXTCTRL18 = MakeSized(page, "ID_TEXTCTRL18", 70, kExponentSample);
    AddLabelled(scale, page, LabelName(509).c_str(), "Factor:", ID_TEXTCTRL18);
    ID_TEXTCTRL19 = MakeSized(page, "ID_TEXTCTRL19", 70, kExponentSample);
    AddLabelled(scale, page, LabelName(510).c_str(), "Zero Offset:", ID_TEXTCTRL19);
    ID_TEXTCTRL20 = MakeSized(page, "ID_TEXTCTRL20", 70, "-2147483648");
    AddLabelled(scale, page, LabelName(511).c_str(), "Mask:", ID_TEXTCTRL20);
    addressFields->Add(scale, 0, wxLEFT, 6);
    address->Add(addressFields);
    ID_CHECKBOX1 = MakeCheck(page, "ID_CHECKBOX1", "Show leading zeroes");
    address->Add(ID_CHECKBOX1, 0, wxALL, kGap + 2);
    ID_STATICTEXT69 = MakeLabel(page, "ID_STATICTEXT69",
                                "*   means 8-symbols unit e.g. MAX7219\n"
                                "** 1. Symbol position for alphanumeric indication unit.\n"
                                "     2. Absolute position for discrete indicators");
    address->Add(ID_STATICTEXT69, 0, wxALL, kGap + 2);
    lower->Add(address);

    lower->Add(MakeLine(page, LineName(501).c_str(), wxLI_VERTICAL), 0, wxEXPAND | wxLEFT | wxRIGHT,
               6);

    // Right: the factor calculator, then the output test values
    auto* right = new wxBoxSizer(wxVERTICAL);
    auto* ranges = Row(4);
    ID_TEXTCTRL21 = MakeSized(page, "ID_TEXTCTRL21", 70, kNumberSample);
    AddLabelled(ranges, page, LabelName(512).c_str(), "IndicMax", ID_TEXTCTRL21);
    ID_TEXTCTRL46 = MakeSized(page, "ID_TEXTCTRL46", 70, kNumberSample);
    AddLabelled(ranges, page, LabelName(513).c_str(), "SimMax:", ID_TEXTCTRL46);
    ID_TEXTCTRL65 = MakeSized(page, "ID_TEXTCTRL65", 70, kNumberSample);
    AddLabelled(ranges, page, LabelName(514).c_str(), "IndicMin", ID_TEXTCTRL65);
    ID_TEXTCTRL64 = MakeSized(page, "ID_TEXTCTRL64", 70, kNumberSample);
    AddLabelled(ranges, page, LabelName(515).c_str(), "SimMin:", ID_TEXTCTRL64);
    right->Add(ranges);
    ID_BUTTON24 = MakeButton(page, "ID_BUTTON24", "Calculate \nfactor and zero_offset");
    right->Add(ID_BUTTON24, 0, wxALIGN_CENTER_HORIZONTAL | wxALL, kGap);
    indicationFactorMessage = MakeMessageLine(page, "IndicationFactorMessage",
                                              "Factor calculator message", ranges->CalcMin().x);
    right->Add(indicationFactorMessage, 0, wxLEFT | wxRIGHT, kGap);

    right->Add(MakeLine(page, LineName(502).c_str(), wxLI_HORIZONTAL), 0,
               wxEXPAND | wxTOP | wxBOTTOM, 6);

    // The value of the output test, typed or taken from one of three prepared
    // values; a display unit shows up to 8 symbols.
    right->Add(MakeLabel(page, LabelName(516).c_str(), "Prepared data to send to device"), 0,
               wxLEFT | wxRIGHT, kGap);
    auto* test = new wxBoxSizer(wxHORIZONTAL);
    auto* prepared = Row(2);
    wxTextCtrl** preparedFields[] = {&ID_TEXTCTRL23, &ID_TEXTCTRL24, &ID_TEXTCTRL45};
    const char* preparedNames[] = {"ID_TEXTCTRL23", "ID_TEXTCTRL24", "ID_TEXTCTRL45"};
    wxButton** valueButtons[] = {&ID_BUTTON15, &ID_BUTTON16, &ID_BUTTON17};
    const char* valueButtonNames[] = {"ID_BUTTON15", "ID_BUTTON16", "ID_BUTTON17"};
    for (int i = 0; i < 3; ++i) {
        *preparedFields[i] = MakeSized(page, preparedNames[i], 90, "12345678");
        NameControl(*preparedFields[i], wxString::Format("Prepared value %d", i + 1));
        *valueButtons[i] =
            MakeButton(page, valueButtonNames[i], wxString::Format("Value %d >", i + 1));
        prepared->Add(*preparedFields[i], 0, wxALIGN_CENTER_VERTICAL | wxALL, kGap);
        prepared->Add(*valueButtons[i], 0, wxALIGN_CENTER_VERTICAL | wxALL, kGap);
    }
    test->Add(prepared);
    auto* testValue = new wxBoxSizer(wxVERTICAL);
    testValue->Add(MakeLabel(page, LabelName(517).c_str(), "Data for indic. test"), 0,
                   wxLEFT | wxRIGHT, kGap);
    ID_TEXTCTRL12 = MakeSized(page, "ID_TEXTCTRL12", 90, "12345678", "0");
    NameControl(ID_TEXTCTRL12, "Data for indic. test");
    testValue->Add(ID_TEXTCTRL12, 0, wxALL, kGap);
    test->Add(testValue, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 6);
    right->Add(test);
    lower->Add(right);

    column->Add(lower, 0, wxALL, kGap);
    page->SetSizer(column);
}

void loggerDialog::BuildAlphNumPage(wxPanel* page) {
    // Row r shows display unit 15 - r, column c the character at position c.
    const GridPage built = MakeGridPage(page, "ID_GRID1", 16, 8, 1, "ID_BUTTON7");
    ID_GRID1 = built.grid;
    ID_BUTTON7 = built.clear;
}

void loggerDialog::BuildDiscreteIndicPage(wxPanel* page) {
    // The cell in row R, column C shows output R + C.
    const GridPage built = MakeGridPage(page, "ID_GRID2", 7, 10, 10, "ID_BUTTON11");
    ID_GRID2 = built.grid;
    ID_BUTTON11 = built.clear;
}

void loggerDialog::BuildAxesPage(wxPanel* page) {
    auto* columns = new wxBoxSizer(wxHORIZONTAL);

    // The 16 axis rows, 0 to 7 in the left pair of columns and 8 to 15 in
    // the right pair, so that the page stays short.
    static const char* const fieldNames[16] = {
        "ID_TEXTCTRL30", "ID_TEXTCTRL26", "ID_TEXTCTRL27", "ID_TEXTCTRL28",
        "ID_TEXTCTRL29", "ID_TEXTCTRL31", "ID_TEXTCTRL32", "ID_TEXTCTRL33",
        "ID_TEXTCTRL34", "ID_TEXTCTRL35", "ID_TEXTCTRL36", "ID_TEXTCTRL37",
        "ID_TEXTCTRL38", "ID_TEXTCTRL39", "ID_TEXTCTRL40", "ID_TEXTCTRL41"};
    wxStaticText* rowCaption[16];
    for (int row = 0; row < 16; ++row) {
        const wxString caption =
            row <= 8 ? wxString::Format(" %d:", row) : wxString::Format("%d:", row);
        rowCaption[row] = MakeLabel(page, LabelName(560 + row).c_str(), caption);
        axisValueField[row] = MakeAxisField(page, fieldNames[row]);
        NameControl(axisValueField[row], wxString::Format("Axis %d", row));
    }
    auto* axisGrid = Row(4);
    for (int row = 0; row < 8; ++row) {
        for (int half = 0; half < 2; ++half) {
            const int axis = row + 8 * half;
            axisGrid->Add(rowCaption[axis], 0, wxALIGN_RIGHT | wxALIGN_CENTER_VERTICAL | wxLEFT,
                          half ? 12 : kGap);
            axisGrid->Add(axisValueField[axis], 0, wxALIGN_CENTER_VERTICAL | wxALL, kGap);
        }
    }
    columns->Add(axisGrid, 0, wxALL, kGap);

    columns->Add(MakeLine(page, LineName(560).c_str(), wxLI_VERTICAL), 0,
                 wxEXPAND | wxLEFT | wxRIGHT, 6);

    auto* right = new wxBoxSizer(wxVERTICAL);

    auto* selectRow = Row(4);
    wxArrayString datarefTypes;
    for (const char* type : {"", "Dataref int", "Dataref float", "Array int", "Array float"})
        datarefTypes.Add(type);
    ID_CHOICE6 = MakeChoice(page, "ID_CHOICE6", datarefTypes, 1, 103);
    AddLabelled(selectRow, page, LabelName(576).c_str(), "Dataref type", ID_CHOICE6);
    wxArrayString axes;
    for (int axis = 0; axis < 16; ++axis) axes.Add(wxString::Format("%d", axis));
    ID_CHOICE5 = MakeChoice(page, "ID_CHOICE5", axes, 0, 48);
    AddLabelled(selectRow, page, LabelName(577).c_str(), "Axis", ID_CHOICE5);
    right->Add(selectRow);

    auto* names = Row(2);
    ID_TEXTCTRL42 = MakeText(page, "ID_TEXTCTRL42", wxEmptyString, 359);
    AddLabelled(names, page, LabelName(578).c_str(), "Dataref", ID_TEXTCTRL42);
    ID_TEXTCTRL43 = MakeText(page, "ID_TEXTCTRL43", wxEmptyString, 129);
    auto* sectionRow = Row(3);
    sectionRow->Add(ID_TEXTCTRL43, 0, wxALIGN_CENTER_VERTICAL | wxALL, kGap);
    ID_TEXTCTRL48 = MakeSized(page, "ID_TEXTCTRL48", 27, "999");
    ID_TEXTCTRL48->Disable();  // "Dataref int" is preselected: no index
    AddLabelled(sectionRow, page, LabelName(580).c_str(), "Index:", ID_TEXTCTRL48);
    names->Add(MakeLabel(page, LabelName(579).c_str(), "[section name]"), 0,
               wxALIGN_RIGHT | wxALIGN_CENTER_VERTICAL | wxALL, kGap);
    NameControl(ID_TEXTCTRL43, "[section name]");
    names->Add(sectionRow);
    right->Add(names);

    right->Add(MakeLine(page, LineName(561).c_str(), wxLI_HORIZONTAL), 0,
               wxEXPAND | wxTOP | wxBOTTOM, 6);

    // Device range captured from the selected axis row, simulator range typed
    auto* ranges = Row(4);
    auto capture = [&](wxButton*& button, const char* buttonName, const char* label,
                       wxTextCtrl*& field, const char* fieldName, const char* fieldCaption) {
        button = MakeButton(page, buttonName, label);
        ranges->Add(button, 0, wxEXPAND | wxALL, kGap);  // all three as wide as the widest
        field = MakeSized(page, fieldName, 50, "12345");
        NameControl(field, fieldCaption);
        ranges->Add(field, 0, wxALIGN_CENTER_VERTICAL | wxALL, kGap);
    };
    capture(ID_BUTTON12, "ID_BUTTON12", "DeviceMax >", ID_TEXTCTRL44, "ID_TEXTCTRL44", "DeviceMax");
    ID_TEXTCTRL54 = MakeSized(page, "ID_TEXTCTRL54", 50, kNumberSample);
    AddLabelled(ranges, page, LabelName(581).c_str(), "SimMax:", ID_TEXTCTRL54);

    capture(ID_BUTTON13, "ID_BUTTON13", "DevCenter >", ID_TEXTCTRL52, "ID_TEXTCTRL52", "DevCenter");
    ID_BUTTON13->Disable();  // until "Has center:" is ticked
    ID_TEXTCTRL52->Disable();
    ID_CHECKBOX3 = MakeCheck(page, "ID_CHECKBOX3", "Has center:");
    ranges->Add(ID_CHECKBOX3, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 12);
    ranges->AddSpacer(0);

    capture(ID_BUTTON14, "ID_BUTTON14", "DeviceMin >", ID_TEXTCTRL53, "ID_TEXTCTRL53", "DeviceMin");
    ID_TEXTCTRL55 = MakeSized(page, "ID_TEXTCTRL55", 50, kNumberSample);
    AddLabelled(ranges, page, LabelName(582).c_str(), "SimMin:", ID_TEXTCTRL55);
    right->Add(ranges);

    // Axis sections are not composed: the button stays disabled for good.
    ID_BUTTON10 = MakeButton(page, "ID_BUTTON10", "Add axis section", wxSize(148, 32));
    ID_BUTTON10->Disable();
    right->Add(ID_BUTTON10, 0, wxALL, kGap + 3);

    columns->Add(right, 0, wxALL, kGap);
    // Held in a column of its own so that the separator ends with the rows.
    auto* outer = new wxBoxSizer(wxVERTICAL);
    outer->Add(columns);
    page->SetSizer(outer);
}
