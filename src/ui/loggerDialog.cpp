#include "ui/loggerDialog.h"

#include <algorithm>
#include <cstring>

#include "BrantleVersion.h"
#include "platform/Toolkit.h"
#include "ui/Controls.h"

loggerDialog::loggerDialog(wxWindow* parent, wxWindowID id) {
    pollTimer.SetOwner(this, wxWindow::NewControlId());
    resetTimer.SetOwner(this, wxWindow::NewControlId());
    idleWalkTimer.SetOwner(this, wxWindow::NewControlId());
    keepTimer.SetOwner(this, wxWindow::NewControlId());

    Create(parent, id, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE,
           "wxID_ANY");
    SetBackgroundStyle(kThemeBackground);
    BuildWindow();

    // The poll timer is armed by an open; nothing wakes the window before.
    // (SetSizeHints fits the window too.)
    GetSizer()->SetSizeHints(this);

    BindEvents();

    for (int bit = 0; bit < 32; ++bit) maskBoxes[bit] = maskBitBox[bit];
    for (int row = 0; row < 16; ++row) axisFields[row] = axisValueField[row];

    SetTitle("BRANTLE Config Helper " BRANTLE_VERSION_TEXT);
    SetStatus("Disconnected", wxColour(128, 128, 0));
    silentTicks = 0;

    RefreshPortList();
    LoadSettings();
    RestoreKeptText();
    theDialog = this;
    askAboutRepeats = [this](const wxString& question) { return AskAboutRepeats(question); };
    if (!lastResultFile.empty()) ChooseIniFile(lastResultFile);

    UpdateDiscreteFields();
    UpdateIndicationFields();

    std::memset(segmentFrame, ' ', 133);
    std::memset(ledFrame, '0', 69);

    ID_BUTTON8->Disable();

    consoleOn = 0;
    ID_CHOICE5->SetSelection(0);

    ID_GRID1->AutoSizeColumns(true);
    ID_GRID2->AutoSizeColumns(true);

    axisFields[0]->SetForegroundColour(wxColour(255, 255, 255));
    axisFields[0]->SetBackgroundColour(wxColour(0, 0, 0));
    axisFields[0]->SetFont(GetFont().Bold());

    ID_NOTEBOOK1->Refresh();
    // The window opens with the first field of the first page focused.
    ID_TEXTCTRL25->SetFocus();

    serialHandoff.Attach(
        this, [this](const char* data, int count) { ProcessSerialBytes(data, count); },
        [this] { ShowPendingFields(); });
    udpHandoff.Attach(
        this, [this](const char* data, int count) { ProcessDatagram(data, count); },
        [this] { ShowPendingFields(); });
    udpServer.SetCallback(OnDatagram);
    // The watch thread only posts; a burst of changes makes one refresh.
    portWatch.Start([this] {
        if (!portsChangePosted.exchange(true))
            CallAfter([this] {
                portsChangePosted = false;
                OnPortsChanged();
            });
    });
}

loggerDialog::~loggerDialog() {
    StopReceivers();
    if (theDialog == this) theDialog = nullptr;
    // The notebook's pages are removed one by one as the window goes. With
    // the accessibility bridge active (any desktop with assistive technology
    // listening) each removal makes the bridge ask the removed page's
    // accessible for its tab, which the toolkit reports as a critical error
    // ("gtk_notebook_get_tab_label: assertion 'list != NULL' failed"). A
    // notebook without tabs is not asked for them.
    if (ID_NOTEBOOK1 != nullptr) Toolkit::HideTabs(ID_NOTEBOOK1);
}

// After every pass of its loop the toolkit walks all ~300 windows of the
// dialog, for housekeeping that can wait (a deferred show, a changed tab
// order) and for idle events, which no control here asks for. The poll timer
// makes a pass 50 times a second, and that walk was the largest part of the
// program's CPU use while idle. So the dialog itself is served on every pass,
// its windows at most every kIdleWalkInterval (and of the notebook, only the
// page shown: see MakePage). Their turn comes with the next pass after that
// time: while the poll timer runs it brings one within 200 ms; otherwise
// (no port, or the reading thread polling the board) a pass that leaves the
// walk out arms a one-shot timer for the time it is due. A window with
// nothing to do is never woken. The poll timer's own wakes change nothing
// the walk looks after, so while nothing else happens they walk only once a
// second (kIdleWalkIntervalPolling).
bool loggerDialog::SendIdleEvents(wxIdleEvent& event) {
    const auto now = std::chrono::steady_clock::now();
    if (!pollWakePass) idleWalkOwed = true;
    pollWakePass = false;
    const auto interval = idleWalkOwed ? kIdleWalkInterval : kIdleWalkIntervalPolling;
    if (now - lastIdleWalk >= interval) {
        lastIdleWalk = now;
        idleWalkOwed = false;
        idleWalkTimer.Stop();
        return wxDialog::SendIdleEvents(event);
    }
    if (idleWalkOwed && !idleWalkTimer.IsRunning() && !pollTimer.IsRunning()) {
        const auto wait = lastIdleWalk + kIdleWalkInterval - now;
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wait).count();
        idleWalkTimer.StartOnce(static_cast<int>(std::max<long long>(ms, 1)));
    }
    OnInternalIdle();
    if (wxIdleEvent::GetMode() != wxIDLE_PROCESS_ALL && !HasExtraStyle(wxWS_EX_PROCESS_IDLE))
        return false;
    event.SetEventObject(this);
    HandleWindowEvent(event);
    return event.MoreRequested();
}

void loggerDialog::StopReceivers() {
    // Both receive threads end (and are joined) before anything they reach
    // through theDialog goes away.
    serialHandoff.Cancel();
    udpHandoff.Cancel();
    serial.Close();
    udpServer.Stop();
    portWatch.Stop();
    iniWatch.Stop();
}

void loggerDialog::SetStatus(const wxString& label, const wxColour& colour) {
    ID_STATICTEXT2->SetForegroundColour(colour);
    ID_STATICTEXT2->SetLabel(label);
    PublishQuietAnswers();
}

void loggerDialog::ShowReason(wxStaticText* line, const wxString& text) {
    if (text.empty() && !line->IsShown()) return;
    line->SetLabel(text);
    if (!text.empty()) {
        // As wide as the Device panel's stretched buttons; the text breaks
        // between words.
        line->Wrap(ID_BUTTON4->GetSize().x - 16);
        SetAccessibleName(line, text);
    }
    line->Show(!text.empty());
    FitToLayout();
}

void loggerDialog::FitToLayout() {
    SetMinSize(wxDefaultSize);
    GetSizer()->SetSizeHints(this);
    Layout();
}

void loggerDialog::FitMessageHeight(wxStaticText* line) {
    const wxSize before = line->GetMinSize();
    // The toolkit's height for the text is asked without the height given
    // before, which it would otherwise answer with.
    line->SetMinSize(wxSize(before.x, wxDefaultCoord));
    line->InvalidateBestSize();
    const wxSize after(before.x, std::max(line->GetBestSize().y, line->GetCharHeight()));
    line->SetMinSize(after);
    if (after == before) return;
    FitToLayout();
    // A notebook page that keeps its size is not laid out again by the
    // window's layout.
    line->GetParent()->Layout();
}

void loggerDialog::ShowWrapped(wxStaticText* line, const wxString& text) {
    line->SetLabel(text);
    // The width the layout gave the line, at least the width it asked for.
    line->Wrap(std::max(line->GetSize().x, line->GetMinSize().x));
    FitMessageHeight(line);
}

void loggerDialog::ShowPendingFields() {
    NoteEventControls();
    bool changed = false;
    auto show = [&changed](wxTextCtrl* field, std::optional<wxString>& value) {
        if (value) {
            field->ChangeValue(*value);
            changed = true;
        }
        value.reset();
    };
    show(ID_TEXTCTRL22, pendingFields.device);
    show(ID_TEXTCTRL10, pendingFields.discreteId);
    show(ID_TEXTCTRL25, pendingFields.discreteEvent);
    show(ID_TEXTCTRL60, pendingFields.numericId);
    show(ID_TEXTCTRL59, pendingFields.numericEvent);
    show(ID_TEXTCTRL62, pendingFields.currentValue);
    if (pendingFields.connected) SetStatus("Connected", wxColour(0, 176, 0));
    pendingFields.connected = false;
    PublishQuietAnswers();
    // A message ended the standby: the poll clock goes on.
    if (pollRearmOwed) ArmPollTimer();
    if (changed) PaintEventsNow();
}

// The toolkit paints at most one frame per 1/60 s: a field changed just
// after another drawing (the Device box of a board answering between UDP
// events, the status) waits up to 17 ms for its frame. A single event is
// drawn at once instead. Under a flood (more blocks wait) the frames do it,
// and drawing at once stays rare: at most twice per frame time (an event
// may follow the board's answer drawn just before), and never more than a
// quarter of the time, however slow a paint is.
void loggerDialog::PaintEventsNow() {
    if (serialHandoff.MoreToDeliver() || udpHandoff.MoreToDeliver()) return;
    const auto now = std::chrono::steady_clock::now();
    if (now < nextEventPaint) return;
    if (!Toolkit::PaintNow(this)) return;
    const auto end = std::chrono::steady_clock::now();
    nextEventPaint =
        std::max(lastEventPaint + std::chrono::milliseconds(16), end + 3 * (end - now));
    lastEventPaint = now;
}

void loggerDialog::OnPageChanged(wxBookCtrlEvent&) {
    ID_STATICTEXT114->Disable();
    ID_TEXTCTRL67->Disable();
    // Frames start or stop with the page: the armed wake is planned anew.
    const bool armed = PollClockRunning();
    CountPassedTicks();
    currentPage = ID_NOTEBOOK1->GetSelection();
    if (armed) ArmPollTimer();
}

void loggerDialog::OnIgnorePaint(wxPaintEvent&) {
    wxPaintDC dc(ID_PANEL6);  // a paint handler must take its device context
}

void loggerDialog::OnIgnoreMouseEnter(wxMouseEvent& event) { event.Skip(); }

void loggerDialog::BindEvents() {
    auto button = [this](wxButton* b, void (loggerDialog::*handler)(wxCommandEvent&)) {
        Bind(wxEVT_BUTTON, handler, this, b->GetId());
    };
    auto choice = [this](wxChoice* c, void (loggerDialog::*handler)(wxCommandEvent&)) {
        Bind(wxEVT_CHOICE, handler, this, c->GetId());
    };
    auto check = [this](wxCheckBox* c, void (loggerDialog::*handler)(wxCommandEvent&)) {
        Bind(wxEVT_CHECKBOX, handler, this, c->GetId());
    };

    // DiscrCtrls
    choice(ID_CHOICE2, &loggerDialog::OnDiscreteTypeChanged);
    button(ID_BUTTON31, &loggerDialog::OnDiscreteCtrlsPreset);
    choice(ID_CHOICE1, &loggerDialog::OnDataChoiceChanged);
    choice(ID_CHOICE8, &loggerDialog::OnDataChoiceChanged);
    choice(ID_CHOICE11, &loggerDialog::OnDataChoiceChanged);
    button(ID_BUTTON5, &loggerDialog::OnAddControlSection);
    button(ID_BUTTON26, &loggerDialog::OnMaskAllClear);
    button(ID_BUTTON27, &loggerDialog::OnMaskAllSet);
    button(ID_BUTTON28, &loggerDialog::OnMaskInvert);
    button(ID_BUTTON29, &loggerDialog::OnMaskFromBoxes);
    button(ID_BUTTON30, &loggerDialog::OnMaskToBoxes);
    // NumCtrls
    button(ID_BUTTON32, &loggerDialog::OnNumericCtrlsPreset);
    choice(ID_CHOICE9, &loggerDialog::OnDataChoiceChanged);
    choice(ID_CHOICE12, &loggerDialog::OnDataChoiceChanged);
    button(ID_BUTTON21, &loggerDialog::OnAddNumericSection);
    button(ID_BUTTON18, &loggerDialog::OnCopyDeviceMax);
    button(ID_BUTTON19, &loggerDialog::OnCopyDevCenter);
    button(ID_BUTTON20, &loggerDialog::OnCopyDeviceMin);
    check(ID_CHECKBOX4, &loggerDialog::OnNumericHasCenter);
    button(ID_BUTTON25, &loggerDialog::OnCalcNumericFactor);
    // Indication
    choice(ID_CHOICE4, &loggerDialog::OnIndicationTypeChanged);
    choice(ID_CHOICE3, &loggerDialog::OnDataChoiceChanged);
    choice(ID_CHOICE13, &loggerDialog::OnDataChoiceChanged);
    button(ID_BUTTON6, &loggerDialog::OnAddIndicationSection);
    check(ID_CHECKBOX1, &loggerDialog::OnShowLeadingZeroes);
    button(ID_BUTTON24, &loggerDialog::OnCalcIndicationFactor);
    button(ID_BUTTON15, &loggerDialog::OnTestValue1);
    button(ID_BUTTON16, &loggerDialog::OnTestValue2);
    button(ID_BUTTON17, &loggerDialog::OnTestValue3);
    // AlphNum Indic, Discrete Indic
    button(ID_BUTTON7, &loggerDialog::OnClearOutputs);
    button(ID_BUTTON11, &loggerDialog::OnClearOutputs);
    // Axes
    choice(ID_CHOICE6, &loggerDialog::OnDatarefTypeChanged);
    choice(ID_CHOICE5, &loggerDialog::OnAxisChoiceChanged);
    button(ID_BUTTON12, &loggerDialog::OnAxisCopyDeviceMax);
    button(ID_BUTTON13, &loggerDialog::OnAxisCopyDevCenter);
    button(ID_BUTTON14, &loggerDialog::OnAxisCopyDeviceMin);
    check(ID_CHECKBOX3, &loggerDialog::OnAxisHasCenter);
    // Frame
    Bind(wxEVT_NOTEBOOK_PAGE_CHANGED, &loggerDialog::OnPageChanged, this, ID_NOTEBOOK1->GetId());
    ID_PANEL6->Bind(wxEVT_PAINT, &loggerDialog::OnIgnorePaint, this);
    ID_PANEL6->Bind(wxEVT_ENTER_WINDOW, &loggerDialog::OnIgnoreMouseEnter, this);
    // Device panel
    button(ID_BUTTON4, &loggerDialog::OnRefreshList);
    button(ID_BUTTON1, &loggerDialog::OnOpenPort);
    button(ID_BUTTON8, &loggerDialog::OnResetBoard);
    button(ID_BUTTON2, &loggerDialog::OnClosePort);
    check(ReconnectBox, &loggerDialog::OnReconnectToggled);
    button(ID_BUTTON22, &loggerDialog::OnUdpStart);
    button(ID_BUTTON23, &loggerDialog::OnUdpStop);
    button(ID_BUTTON9, &loggerDialog::OnConsoleToggle);
    // The reading thread prints the detect lines while the window sleeps,
    // and takes only answers of the number the Device box shows: typed over,
    // the box shows the board's again with its next answer.
    Bind(
        wxEVT_CHECKBOX, [this](wxCommandEvent&) { detectStandby.SetEcho(!InputsOnly()); },
        ID_CHECKBOX2->GetId());
    Bind(
        wxEVT_TEXT,
        [this](wxCommandEvent&) {
            if (standbyOn) ArmPollTimer();
        },
        ID_TEXTCTRL22->GetId());
    button(ID_BUTTON3, &loggerDialog::OnQuit);
    Bind(wxEVT_TIMER, &loggerDialog::OnPollTimer, this, pollTimer.GetId());
    Bind(wxEVT_TIMER, &loggerDialog::OnResetTimer, this, resetTimer.GetId());
    // Its wake alone brings the pass that walks the windows.
    Bind(
        wxEVT_TIMER, [](wxTimerEvent&) {}, idleWalkTimer.GetId());
    Bind(wxEVT_CLOSE_WINDOW, &loggerDialog::OnCloseWindow, this);
    // Keyboard: Enter in the port box opens the port; its "Select port"
    // placeholder is selected on focus, so that typing replaces it.
    Bind(wxEVT_TEXT_ENTER, &loggerDialog::OnPortEnter, this, ID_COMBOBOX1->GetId());
    ID_COMBOBOX1->Bind(wxEVT_SET_FOCUS, &loggerDialog::OnPortFocus, this);
    // Under the result box
    button(copyResultButton, &loggerDialog::OnCopyResult);
    button(saveResultButton, &loggerDialog::OnSaveResult);
    button(openIniButton, &loggerDialog::OnOpenIni);
    choice(lineEndsChoice, &loggerDialog::OnLineEndsChanged);
    Bind(wxEVT_TEXT, &loggerDialog::OnKeptTextChanged, this, ID_TEXTCTRL2->GetId());
    Bind(wxEVT_TEXT, &loggerDialog::OnKeptTextChanged, this, ID_TEXTCTRL7->GetId());
    Bind(wxEVT_TIMER, &loggerDialog::OnKeepTimer, this, keepTimer.GetId());
}

void loggerDialog::OnPortEnter(wxCommandEvent& event) {
    if (ID_BUTTON1->IsEnabled()) OnOpenPort(event);
}

void loggerDialog::OnPortFocus(wxFocusEvent& event) {
    event.Skip();
    if (ID_COMBOBOX1->GetValue() == "Select port")
        CallAfter([this] {
            if (ID_COMBOBOX1->GetValue() == "Select port") ID_COMBOBOX1->SelectAll();
        });
}
