// The two notebook pages on which controls are described: "DiscrCtrls" with
// its mask calculator, and "NumCtrls" with its factor calculator.
#include <wx/radiobox.h>
#include <wx/statbox.h>

#include "ui/Controls.h"
#include "ui/PageLayout.h"
#include "ui/loggerDialog.h"

namespace {
// Longest texts the fields are meant to show.
const char* const kEventSample = "{12345678}";  // a board message in braces
const char* const kIdSample = "4095";           // event ids have up to 12 bits
const char* const kNumberSample = "4294967295";
const char* const kRealSample = "-1.234568e+004";  // a factor as the calculator writes it

// Labels above the three data choices of a page.
wxFlexGridSizer* DataChoiceGrid(wxWindow* page, const char* const labelNames[3],
                                wxChoice* const choices[3]) {
    static const char* const captions[3] = {"Data[Offset] type", "Data[Offset] size", "Encoding"};
    auto* grid = new wxFlexGridSizer(3, 0, 8);
    for (int i = 0; i < 3; ++i)
        grid->Add(MakeLabel(page, labelNames[i], captions[i]), 0, wxALIGN_LEFT | wxLEFT | wxTOP, 3);
    for (int i = 0; i < 3; ++i) {
        NameControl(choices[i], captions[i]);
        grid->Add(choices[i], 0, wxALIGN_LEFT | wxALL, 3);
    }
    return grid;
}

// Whether the control of the last event shown has a section in the ini file.
// Its text changes with the events; the page keeps its size.
wxStaticText* InIniLine(wxWindow* page, const char* name) {
    auto* line = MakeLabel(page, name, wxEmptyString, wxSize(-1, -1),
                           wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
    NameControl(line, "In the ini file");
    return line;
}

wxButton* StackButton(wxWindow* parent, wxSizer* stack, const char* name, const wxString& label) {
    wxButton* button = MakeButton(parent, name, label);
    stack->Add(button, 0, wxEXPAND | wxALL, 3);
    return button;
}
}  // namespace

void loggerDialog::BuildDiscrCtrlsPage(wxPanel* page) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);

    auto* event = new wxFlexGridSizer(4, 0, 0);
    ID_TEXTCTRL25 = AddLabelledField(event, page, "ID_TEXTCTRL25", 126, kEventSample,
                                     "ID_STATICTEXT200", "Last control event:");
    ID_TEXTCTRL10 = AddLabelledField(event, page, "ID_TEXTCTRL10", 50, kIdSample,
                                     "ID_STATICTEXT201", "EvID(decimal)");
    sizer->Add(event, 0, wxALL, 2);
    discreteInIni = InIniLine(page, "DiscreteInIni");
    sizer->Add(discreteInIni, 0, wxEXPAND | wxLEFT | wxRIGHT, 5);

    auto* type = new wxFlexGridSizer(2, 0, 0);
    wxArrayString types;
    for (const char* item :
         {"", "SPDT Switch / Button", "Cyclic SPST Button",
          "SPST Button, Switch / Encoder dir pulse/ Rotary switch pole", "Encoder"})
        types.Add(item);
    ID_CHOICE2 = MakeChoice(page, "ID_CHOICE2", types, 1, 326);
    AddLabelled(type, page, "ID_STATICTEXT202", "Control type", ID_CHOICE2);
    sizer->Add(type, 0, wxALL, 2);

    auto* offset = new wxFlexGridSizer(3, 0, 0);
    ID_TEXTCTRL1 = AddLabelledField(offset, page, "ID_TEXTCTRL1", 80, "ABCD", "ID_STATICTEXT203",
                                    "    Offset", kLabelAfter);
    ID_BUTTON31 = MakeButton(page, "ID_BUTTON31", "<Ctrls", wxSize(64, 23));
    offset->Add(ID_BUTTON31, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 20);
    sizer->Add(offset, 0, wxALL, 2);

    ID_CHOICE1 = MakeChoice(page, "ID_CHOICE1", DataTypeItems(), 0, 125);
    ID_CHOICE8 = MakeChoice(page, "ID_CHOICE8", DataSizeItems(), 1, 70);
    ID_CHOICE11 = MakeChoice(page, "ID_CHOICE11", EncodingItems(), 0, 70);
    static const char* const dataLabels[3] = {"ID_STATICTEXT204", "ID_STATICTEXT205",
                                              "ID_STATICTEXT206"};
    wxChoice* const dataChoices[3] = {ID_CHOICE1, ID_CHOICE8, ID_CHOICE11};
    sizer->Add(DataChoiceGrid(page, dataLabels, dataChoices), 0, wxALL, 2);

    ID_STATICTEXT113 =
        MakeLabel(page, "ID_STATICTEXT113",
                  "SPST - Single Pole Single Throw\nSPDT - Single Pole Double Throw");
    sizer->Add(ID_STATICTEXT113, 0, wxALL, 5);

    // Values by position on the left, the cycling range on the right.
    auto* values = new wxFlexGridSizer(4, 0, 0);
    ID_TEXTCTRL9 =
        AddLabelledField(values, page, "ID_TEXTCTRL9", 80, kNumberSample, "ID_STATICTEXT207", "0:");
    ID_TEXTCTRL3 = AddLabelledField(values, page, "ID_TEXTCTRL3", 80, kNumberSample,
                                    "ID_STATICTEXT208", "Min:");
    ID_TEXTCTRL8 =
        AddLabelledField(values, page, "ID_TEXTCTRL8", 80, kNumberSample, "ID_STATICTEXT209", "1:");
    ID_TEXTCTRL4 = AddLabelledField(values, page, "ID_TEXTCTRL4", 80, kNumberSample,
                                    "ID_STATICTEXT210", "Max:");
    ID_TEXTCTRL6 = AddLabelledField(values, page, "ID_TEXTCTRL6", 80, kNumberSample,
                                    "ID_STATICTEXT211", "Mask:");
    ID_TEXTCTRL5 = AddLabelledField(values, page, "ID_TEXTCTRL5", 80, kNumberSample,
                                    "ID_STATICTEXT212", "Increment:");
    auto* valueRow = new wxBoxSizer(wxHORIZONTAL);
    valueRow->Add(values, 0, wxALIGN_CENTER_VERTICAL);
    wxArrayString cycling;
    cycling.Add("Loop  (e.g. HDG, CRS)");
    cycling.Add("Limits (e.g. IAS, ALT) ");
    ID_RADIOBOX1 =
        new wxRadioBox(page, NewControlId(), "Cycling options", wxDefaultPosition, wxDefaultSize,
                       cycling, 1, wxRA_SPECIFY_COLS, wxDefaultValidator, "ID_RADIOBOX1");
    ID_RADIOBOX1->SetSelection(0);
    valueRow->Add(ID_RADIOBOX1, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 10);
    sizer->Add(valueRow, 0, wxALL, 2);

    ID_BUTTON5 = MakeButton(page, "ID_BUTTON5", "&Add control section", wxSize(131, 43));
    sizer->Add(ID_BUTTON5, 0, wxALIGN_CENTER_HORIZONTAL | wxALL, 5);

    // Mask calculator: clear/set/invert on the left, 32 bit boxes in four
    // rows of eight (31..24 down to 7..0), each under its bit number, and the
    // transfers to and from the "Mask:" field on the right.
    auto* frame = new wxStaticBox(page, NewControlId(), "Mask calculator", wxDefaultPosition,
                                  wxDefaultSize, 0, "ID_STATICBOX200");
    auto* calculator = new wxBoxSizer(wxHORIZONTAL);
    auto* left = new wxBoxSizer(wxVERTICAL);
    ID_BUTTON26 = StackButton(page, left, "ID_BUTTON26", "All clear");
    ID_BUTTON27 = StackButton(page, left, "ID_BUTTON27", "All set");
    ID_BUTTON28 = StackButton(page, left, "ID_BUTTON28", "Invert");
    calculator->Add(left, 0, wxALIGN_CENTER_VERTICAL);

    auto* bits = new wxFlexGridSizer(8, 0, 8);
    for (int top = 31; top >= 7; top -= 8) {
        for (int bit = top; bit > top - 8; --bit) {
            const wxString name = wxString::Format("ID_STATICTEXT%d", bit == 31 ? 19 : 108 - bit);
            maskBitCaption[bit] = MakeLabel(page, name.c_str(), wxString::Format("%d", bit));
            bits->Add(maskBitCaption[bit], 0, wxALIGN_CENTER_HORIZONTAL | wxTOP, 4);
        }
        for (int bit = top; bit > top - 8; --bit) {
            const wxString name = wxString::Format("ID_CHECKBOX%d", 36 - bit);
            maskBitBox[bit] = MakeCheck(page, name.c_str(), wxEmptyString);
            NameControl(maskBitBox[bit], wxString::Format("Bit %d", bit));
            bits->Add(maskBitBox[bit], 0, wxALIGN_CENTER_HORIZONTAL);
        }
    }
    calculator->Add(bits, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 8);

    auto* right = new wxBoxSizer(wxVERTICAL);
    ID_BUTTON29 = StackButton(page, right, "ID_BUTTON29", "> Mask");
    ID_BUTTON30 = StackButton(page, right, "ID_BUTTON30", "< Mask");
    calculator->Add(right, 0, wxALIGN_CENTER_VERTICAL);
    // Under the boxes and buttons: what "< Mask" made of the field's text.
    auto* box = new wxStaticBoxSizer(frame, wxVERTICAL);
    box->Add(calculator);
    maskMessage =
        MakeMessageLine(page, "MaskMessage", "Mask calculator message", calculator->CalcMin().x);
    box->Add(maskMessage, 0, wxTOP, 3);
    sizer->Add(box, 0, wxALL, 5);

    page->SetSizer(sizer);
    sizer->Fit(page);
}

void loggerDialog::BuildNumCtrlsPage(wxPanel* page) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);

    auto* event = new wxFlexGridSizer(4, 0, 0);
    ID_TEXTCTRL59 = AddLabelledField(event, page, "ID_TEXTCTRL59", 126, kEventSample,
                                     "ID_STATICTEXT230", "Last control event:");
    ID_TEXTCTRL60 = AddLabelledField(event, page, "ID_TEXTCTRL60", 35, kIdSample,
                                     "ID_STATICTEXT231", "EvId(decimal)");
    ID_TEXTCTRL61 = AddLabelledField(event, page, "ID_TEXTCTRL61", 63, kIdSample,
                                     "ID_STATICTEXT232", "Event filter");
    ID_TEXTCTRL62 = AddLabelledField(event, page, "ID_TEXTCTRL62", 65, "65535", "ID_STATICTEXT233",
                                     "Current value");
    sizer->Add(event, 0, wxALL, 2);
    numericInIni = InIniLine(page, "NumericInIni");
    sizer->Add(numericInIni, 0, wxEXPAND | wxLEFT | wxRIGHT, 5);

    auto* offset = new wxFlexGridSizer(5, 0, 0);
    ID_TEXTCTRL17 = AddLabelledField(offset, page, "ID_TEXTCTRL17", 80, "ABCD", "ID_STATICTEXT234",
                                     "    Offset", kLabelAfter);
    ID_BUTTON32 = MakeButton(page, "ID_BUTTON32", "<Ctrls");
    offset->Add(ID_BUTTON32, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 20);
    ID_TEXTCTRL67 = MakeField(page, "ID_TEXTCTRL67", 88, "123456");
    ID_STATICTEXT114 = AddLabelled(offset, page, "ID_STATICTEXT114", "ControlID", ID_TEXTCTRL67);
    sizer->Add(offset, 0, wxALL, 2);

    ID_CHOICE9 = MakeChoice(page, "ID_CHOICE9", DataTypeItems(), 0, 134);
    ID_CHOICE7 = MakeChoice(page, "ID_CHOICE7", DataSizeItems(), 1, 70);
    ID_CHOICE12 = MakeChoice(page, "ID_CHOICE12", EncodingItems(), 0, 70);
    static const char* const dataLabels[3] = {"ID_STATICTEXT235", "ID_STATICTEXT236",
                                              "ID_STATICTEXT237"};
    wxChoice* const dataChoices[3] = {ID_CHOICE9, ID_CHOICE7, ID_CHOICE12};
    sizer->Add(DataChoiceGrid(page, dataLabels, dataChoices), 0, wxALL, 2);

    auto* scaling = new wxFlexGridSizer(2, 0, 0);
    ID_TEXTCTRL49 = AddLabelledField(scaling, page, "ID_TEXTCTRL49", 80, kRealSample,
                                     "ID_STATICTEXT238", "    factor", kLabelAfter);
    ID_TEXTCTRL66 = AddLabelledField(scaling, page, "ID_TEXTCTRL66", 80, kRealSample,
                                     "ID_STATICTEXT239", "    zero offset", kLabelAfter);
    sizer->Add(scaling, 0, wxALL, 2);

    ID_BUTTON21 = MakeButton(page, "ID_BUTTON21", "&Add control section", wxSize(148, 32));
    sizer->Add(ID_BUTTON21, 0, wxALIGN_CENTER_HORIZONTAL | wxALL, 5);

    // Factor calculator: the device range captured from "Current value" on
    // the left, the simulator range on the right.
    auto* range = new wxFlexGridSizer(4, 0, 0);
    auto capture = [&](const char* buttonName, const char* label, const char* fieldName,
                       const char* accessibleName, wxButton*& button, wxTextCtrl*& field) {
        button = MakeButton(page, buttonName, label);
        field = MakeField(page, fieldName, 80, "-65535");
        NameControl(field, accessibleName);
        range->Add(button, 0, wxEXPAND | wxALL, 3);
        range->Add(field, 0, wxALIGN_CENTER_VERTICAL | wxALL, 3);
    };
    capture("ID_BUTTON18", "DeviceMax >", "ID_TEXTCTRL50", "DeviceMax", ID_BUTTON18, ID_TEXTCTRL50);
    ID_TEXTCTRL51 = AddLabelledField(range, page, "ID_TEXTCTRL51", 80, kRealSample,
                                     "ID_STATICTEXT240", "SimMax:");
    capture("ID_BUTTON19", "DevCenter >", "ID_TEXTCTRL56", "DevCenter", ID_BUTTON19, ID_TEXTCTRL56);
    ID_BUTTON19->Disable();  // until "Has center:" is ticked
    ID_TEXTCTRL56->Disable();
    ID_TEXTCTRL57 = AddLabelledField(range, page, "ID_TEXTCTRL57", 80, kRealSample,
                                     "ID_STATICTEXT241", "SimMin:");
    capture("ID_BUTTON20", "DeviceMin >", "ID_TEXTCTRL58", "DeviceMin", ID_BUTTON20, ID_TEXTCTRL58);
    ID_CHECKBOX4 = MakeCheck(page, "ID_CHECKBOX4", "Has center:");
    range->Add(ID_CHECKBOX4, 0, wxALIGN_RIGHT | wxALIGN_CENTER_VERTICAL | wxALL, 3);
    auto* calculator = new wxBoxSizer(wxHORIZONTAL);
    calculator->Add(range, 0, wxALIGN_CENTER_VERTICAL);
    ID_BUTTON25 = MakeButton(page, "ID_BUTTON25", "Calculate\nfactor and zero offset");
    calculator->Add(ID_BUTTON25, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 10);
    sizer->Add(calculator, 0, wxLEFT | wxRIGHT | wxTOP, 5);
    numericFactorMessage = MakeMessageLine(page, "NumericFactorMessage",
                                           "Factor calculator message", calculator->CalcMin().x);
    sizer->Add(numericFactorMessage, 0, wxALL, 5);

    page->SetSizer(sizer);
    sizer->Fit(page);
}
