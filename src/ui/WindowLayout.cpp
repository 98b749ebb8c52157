// The frame of the main window: the left column with the two shared text
// boxes, the notebook with its six pages, and the Device panel.
#include <utility>

#include "platform/Toolkit.h"
#include "ui/Controls.h"
#include "ui/PageLayout.h"
#include "ui/loggerDialog.h"

namespace {
wxFlexGridSizer* OneColumn() { return new wxFlexGridSizer(1, 0, 0); }

// Two cells of a three-column row used, as in the rows of the UDP server.
wxFlexGridSizer* RowOfTwo(wxWindow* first, wxWindow* second) {
    auto* row = new wxFlexGridSizer(3, 0, 0);
    row->Add(first, 0, kCentred | wxALL, 5);
    row->Add(second, 0, kCentred | wxALL, 5);
    return row;
}

// A line of text that says why something failed; hidden until there is a
// reason. Slightly smaller than the labels, dark red, named for assistive
// tools under `name`.
wxStaticText* MakeReasonLine(wxWindow* parent, const char* name) {
    auto* line = MakeLabel(parent, name, wxEmptyString);
    wxFont font = parent->GetFont();
    font.SetPointSize(font.GetPointSize() - 1);
    line->SetFont(font);
    line->SetForegroundColour(wxColour(176, 0, 0));
    line->Hide();
    return line;
}

wxComboBox* MakeCombo(wxWindow* parent, const char* name, int width, const wxArrayString& items,
                      long style = 0) {
    auto* combo = new wxComboBox(parent, wxWindow::NewControlId(), wxEmptyString, wxDefaultPosition,
                                 wxDefaultSize, items, style, wxDefaultValidator, name);
    combo->SetMinSize(FitWidth(combo, width));
    return combo;
}
}  // namespace

void loggerDialog::BuildWindow() {
    auto* row = new wxFlexGridSizer(1, 4, 0, 0);
    row->Add(BuildLeftColumn(), 1, wxEXPAND, 0);

    ID_NOTEBOOK1 =
        new wxNotebook(this, NewControlId(), wxDefaultPosition, wxDefaultSize, 0, "ID_NOTEBOOK1");
    const struct {
        wxPanel* loggerDialog::*page;
        const char* name;
        const char* tab;
        void (loggerDialog::*build)(wxPanel*);
    } pages[] = {
        {&loggerDialog::ID_PANEL1, "ID_PANEL1", "DiscrCtrls", &loggerDialog::BuildDiscrCtrlsPage},
        {&loggerDialog::ID_PANEL6, "ID_PANEL6", "NumCtrls", &loggerDialog::BuildNumCtrlsPage},
        {&loggerDialog::ID_PANEL2, "ID_PANEL2", "Indication", &loggerDialog::BuildIndicationPage},
        {&loggerDialog::ID_PANEL4, "ID_PANEL4", "AlphNum Indic", &loggerDialog::BuildAlphNumPage},
        {&loggerDialog::ID_PANEL5, "ID_PANEL5", "Discrete Indic",
         &loggerDialog::BuildDiscreteIndicPage},
        {&loggerDialog::ID_PANEL3, "ID_PANEL3", "Axes", &loggerDialog::BuildAxesPage},
    };
    // The pages go into the notebook while they are empty and are filled
    // there: moving a filled page into the notebook has the toolkit work out
    // the style of each of its controls again, and the row of tabs is
    // measured without the pages' controls.
    for (const auto& page : pages) {
        this->*page.page = MakePage(ID_NOTEBOOK1, page.name);
        ID_NOTEBOOK1->AddPage(this->*page.page, page.tab, false);
    }
    // The notebook must show every tab without scroll arrows.
    const int tabs = Toolkit::TabRowWidth(ID_NOTEBOOK1);
    for (const auto& page : pages) (this->*page.build)(this->*page.page);
    // The window opens on the first page, whatever an earlier window showed.
    currentPage = ID_NOTEBOOK1->GetSelection();
    const wxSize bookBest = ID_NOTEBOOK1->GetBestSize();
    if (tabs > bookBest.x) ID_NOTEBOOK1->SetMinSize(wxSize(tabs, bookBest.y));

    auto* bookCell = OneColumn();
    bookCell->Add(ID_NOTEBOOK1, 1, wxEXPAND | wxALL, 5);
    row->Add(bookCell, 1, wxALIGN_CENTER_HORIZONTAL, 0);

    ID_STATICLINE1 = MakeLine(this, "ID_STATICLINE1", wxLI_VERTICAL);
    row->Add(ID_STATICLINE1, 1, wxEXPAND, 0);
    row->Add(BuildDevicePanel(), 1, wxEXPAND, 0);

    auto* top = OneColumn();
    top->Add(row, 1, wxEXPAND, 0);
    SetSizer(top);
}

wxSizer* loggerDialog::BuildLeftColumn() {
    auto* column = OneColumn();
    ID_STATICTEXT6 = MakeLabel(this, "ID_STATICTEXT6", "Remarks");
    column->Add(ID_STATICTEXT6, 0, kCentred, 0);

    ID_TEXTCTRL2 = MakeText(this, "ID_TEXTCTRL2", "Some comment (remove all to omit comments)", -1,
                            wxTE_MULTILINE | wxTE_WORDWRAP);
    ID_TEXTCTRL2->SetMinSize(wxSize(284, 64));
    NameControl(ID_TEXTCTRL2, "Remarks");
    column->Add(ID_TEXTCTRL2, 0, kCentred | wxALL, 5);

    ID_STATICTEXT12 = MakeLabel(this, "ID_STATICTEXT12", "Result section for ini file");
    column->Add(ID_STATICTEXT12, 0, kCentred, 0);

    // Section lines stay whole, as they will stand in the ini file.
    ID_TEXTCTRL7 = MakeText(this, "ID_TEXTCTRL7", wxEmptyString, -1, wxTE_MULTILINE | wxHSCROLL);
    ID_TEXTCTRL7->SetMinSize(wxSize(282, 407));
    NameControl(ID_TEXTCTRL7, "Result section for ini file");
    column->Add(ID_TEXTCTRL7, 0, wxEXPAND | wxALL, 5);

    // Keeping the sections: copy them, or append them to an ini file with
    // the line ends chosen.
    copyResultButton = MakeButton(this, "CopyResult", "&Copy");
    saveResultButton = MakeButton(this, "SaveResult", wxString::FromUTF8("&Save\xe2\x80\xa6"));
    openIniButton = MakeButton(this, "OpenIni", wxString::FromUTF8("Op&en ini\xe2\x80\xa6"));
    lineEndsLabel = MakeLabel(this, "LineEndsLabel", "Line ends");
    wxArrayString ends;
    ends.Add("CR LF");
    ends.Add("LF");
    lineEndsChoice = MakeChoice(this, "LineEnds", ends, 0);
    NameControl(lineEndsChoice, "Line ends");
    auto* keep = new wxBoxSizer(wxHORIZONTAL);
    keep->Add(copyResultButton, 0, kCentred | wxRIGHT, 5);
    keep->Add(saveResultButton, 0, kCentred | wxRIGHT, 5);
    keep->Add(openIniButton, 0, kCentred | wxRIGHT, 10);
    keep->Add(lineEndsLabel, 0, kCentred | wxRIGHT, 5);
    keep->Add(lineEndsChoice, 0, kCentred, 0);
    column->Add(keep, 0, wxLEFT | wxRIGHT, 5);
    // One line of text for the outcome; as wide as the column, wrapping
    // nothing away.
    resultMessage = MakeLabel(this, "ResultMessage", wxEmptyString, wxSize(282, -1),
                              wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
    NameControl(resultMessage, "Result message");
    column->Add(resultMessage, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 5);
    // Which ini file the results go to and what it holds, the same way.
    iniFileLine = MakeLabel(this, "IniFile", wxEmptyString, wxSize(282, -1),
                            wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
    NameControl(iniFileLine, "Ini file");
    column->Add(iniFileLine, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 5);

    ID_STATICLINE5 = MakeLine(this, "ID_STATICLINE5", wxLI_HORIZONTAL);
    column->Add(ID_STATICLINE5, 0, kCentred | wxALL, 5);
    return column;
}

wxSizer* loggerDialog::BuildDevicePanel() {
    auto* column = OneColumn();
    auto centred = [column](wxWindow* control, int border) {
        column->Add(control, 0, kCentred | wxALL, border);
    };
    auto stretched = [column](wxWindow* control, int border) {
        column->Add(control, 0, wxEXPAND | wxALL, border);
    };
    auto spacer = [column](int height, int flags) { column->Add(91, height, 0, flags, 5); };

    ID_STATICTEXT1 = MakeLabel(this, "ID_STATICTEXT1", "Device");
    ID_STATICTEXT1->SetFont(ArialFont(true));
    centred(ID_STATICTEXT1, 1);
    // The board's identifier: a number up to 4095.
    ID_TEXTCTRL22 = MakeField(this, "ID_TEXTCTRL22", 32, "4095");
    NameControl(ID_TEXTCTRL22, "Device");
    centred(ID_TEXTCTRL22, 0);
    // Sized for the longest status and kept centred when the status changes.
    ID_STATICTEXT2 = MakeLabel(this, "ID_STATICTEXT2", "Disconnected", wxDefaultSize,
                               wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE);
    ID_STATICTEXT2->SetFont(SwissBoldFont());
    ID_STATICTEXT2->SetMinSize(ID_STATICTEXT2->GetTextExtent("Disconnected") + wxSize(4, 0));
    centred(ID_STATICTEXT2, 0);
    // What happened to the link beyond its state ("board unplugged"); one
    // line is kept for it so that the panel does not move when it shows.
    LinkNote = MakeLabel(this, "LinkNote", wxEmptyString, wxDefaultSize,
                         wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE);
    LinkNote->SetForegroundColour(wxColour(255, 0, 0));
    LinkNote->SetMinSize(wxSize(-1, LinkNote->GetCharHeight()));
    stretched(LinkNote, 0);
    ID_STATICLINE7 = MakeLine(this, "ID_STATICLINE7", wxLI_HORIZONTAL);
    stretched(ID_STATICLINE7, 0);

    ID_STATICTEXT24 = MakeLabel(this, "ID_STATICTEXT24", "Serial port");
    ID_STATICTEXT24->SetFont(ArialFont(true));
    centred(ID_STATICTEXT24, 5);
    ID_BUTTON4 = MakeButton(this, "ID_BUTTON4", "Re&fresh list");
    stretched(ID_BUTTON4, 1);
    ID_COMBOBOX1 = MakeCombo(this, "ID_COMBOBOX1", 69, wxArrayString(), wxTE_PROCESS_ENTER);
    NameControl(ID_COMBOBOX1, "Serial port");
    stretched(ID_COMBOBOX1, 1);
    ID_STATICTEXT51 = MakeLabel(this, "ID_STATICTEXT51", "Baudrate");
    centred(ID_STATICTEXT51, 0);
    wxArrayString rates;
    for (const char* rate : {"9600", "19200", "38400", "57600", "115200"}) rates.Add(rate);
    ID_COMBOBOX2 = MakeCombo(this, "ID_COMBOBOX2", 79, rates);
    ID_COMBOBOX2->SetSelection(4);
    ID_COMBOBOX2->Disable();  // the rate comes from the settings only
    NameControl(ID_COMBOBOX2, "Baudrate");
    centred(ID_COMBOBOX2, 5);
    ID_BUTTON1 = MakeButton(this, "ID_BUTTON1", "&Open");
    stretched(ID_BUTTON1, 1);
    ID_BUTTON8 = MakeButton(this, "ID_BUTTON8", "&Reset (Arduino)");
    stretched(ID_BUTTON8, 1);
    ID_BUTTON2 = MakeButton(this, "ID_BUTTON2", "C&lose", wxSize(62, 23));
    ID_BUTTON2->Disable();
    stretched(ID_BUTTON2, 1);
    ReconnectBox = MakeCheck(this, "ReconnectAutomatically", "Reconnect automatically");
    ReconnectBox->SetValue(true);
    centred(ReconnectBox, 1);
    portReason = MakeReasonLine(this, "PortReason");
    column->Add(portReason, 0, wxALIGN_LEFT | wxLEFT | wxRIGHT | wxTOP, 2);
    spacer(4, kCentred | wxALL);
    ID_STATICLINE8 = MakeLine(this, "ID_STATICLINE8", wxLI_HORIZONTAL);
    stretched(ID_STATICLINE8, 0);

    ID_STATICTEXT55 = MakeLabel(this, "ID_STATICTEXT55", "UDP server");
    ID_STATICTEXT55->SetFont(SwissBoldFont());
    centred(ID_STATICTEXT55, 0);
    ID_STATICTEXT32 = MakeLabel(this, "ID_STATICTEXT32", "UDP port");
    ID_STATICTEXT32->SetFont(ArialFont(false));
    ID_TEXTCTRL47 = MakeField(this, "ID_TEXTCTRL47", 47, "65535", "50000");
    NameControl(ID_TEXTCTRL47, "UDP port");
    column->Add(RowOfTwo(ID_STATICTEXT32, ID_TEXTCTRL47), 0, kCentred | wxALL, 1);
    ID_STATICTEXT70 = MakeLabel(this, "ID_STATICTEXT70", "ID filter");
    ID_STATICTEXT70->SetFont(ArialFont(false));
    ID_STATICTEXT70->SetMinSize(FitWidth(ID_STATICTEXT70, 54));
    // The source number in front of a datagram has two digits.
    ID_TEXTCTRL63 = MakeField(this, "ID_TEXTCTRL63", 47, "99", "0");
    NameControl(ID_TEXTCTRL63, "ID filter");
    column->Add(RowOfTwo(ID_STATICTEXT70, ID_TEXTCTRL63), 0,
                wxALIGN_RIGHT | wxALIGN_CENTER_VERTICAL, 0);
    ID_BUTTON22 = MakeButton(this, "ID_BUTTON22", "S&tart", wxSize(52, 23));
    ID_BUTTON23 = MakeButton(this, "ID_BUTTON23", "Sto&p", wxSize(49, 23));
    column->Add(RowOfTwo(ID_BUTTON22, ID_BUTTON23), 0, kCentred, 0);
    ID_BUTTON23->Disable();  // nothing listens yet
    udpState = MakeLabel(this, "UdpState", "Stopped");
    wxFont stateFont = GetFont();
    stateFont.SetPointSize(stateFont.GetPointSize() - 1);
    udpState->SetFont(stateFont);
    SetAccessibleName(udpState, "Stopped");
    centred(udpState, 1);
    udpReason = MakeReasonLine(this, "UdpReason");
    column->Add(udpReason, 0, wxALIGN_LEFT | wxLEFT | wxRIGHT | wxTOP, 2);
    ID_STATICLINE9 = MakeLine(this, "ID_STATICLINE9", wxLI_HORIZONTAL);
    stretched(ID_STATICLINE9, 0);
    spacer(9, kCentred | wxRIGHT | wxTOP | wxBOTTOM);
    ID_STATICLINE10 = MakeLine(this, "ID_STATICLINE10", wxLI_HORIZONTAL);
    stretched(ID_STATICLINE10, 0);

    ID_STATICTEXT30 = MakeLabel(this, "ID_STATICTEXT30", "Console");
    ID_STATICTEXT30->SetFont(ArialFont(true));
    centred(ID_STATICTEXT30, 0);
    ID_BUTTON9 = MakeButton(this, "ID_BUTTON9", "Co&nsole ON/OFF");
    stretched(ID_BUTTON9, 5);
    ID_CHECKBOX2 = MakeCheck(this, "ID_CHECKBOX2", "Inputs only");
    ID_CHECKBOX2->Disable();  // until the console is open
    centred(ID_CHECKBOX2, 5);
    ID_STATICLINE6 = MakeLine(this, "ID_STATICLINE6", wxLI_HORIZONTAL);
    column->Add(ID_STATICLINE6, 0, wxEXPAND | wxTOP | wxBOTTOM, 4);
    spacer(8, kCentred | wxALL);
    ID_BUTTON3 = MakeButton(this, "ID_BUTTON3", "&Quit");
    stretched(ID_BUTTON3, 1);

    auto* panel = OneColumn();
    panel->Add(column, 1, wxEXPAND | wxRIGHT | wxTOP | wxBOTTOM, 8);
    return panel;
}
