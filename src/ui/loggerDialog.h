// The one main window of the program: every control, its timers, the serial
// port and the UDP server. Handlers are defined in the folder of the
// subsystem they belong to (src/<subsystem>/*Handlers.cpp).
#pragma once

#include <wx/grid.h>
#include <wx/notebook.h>
#include <wx/statline.h>
#include <wx/wx.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/DetectStandby.h"
#include "ini/IniFile.h"
#include "net/UdpServer.h"
#include "platform/FileWatch.h"
#include "platform/PortWatch.h"
#include "serial/Serial.h"
#include "ui/ReceiveHandoff.h"

class PageReader;

class loggerDialog : public wxDialog {
  public:
    explicit loggerDialog(wxWindow* parent = nullptr, wxWindowID id = wxID_ANY);
    ~loggerDialog() override;

    // The toolkit's housekeeping walk over the dialog's windows, done at most
    // once per kIdleWalkInterval (see loggerDialog.cpp).
    bool SendIdleEvents(wxIdleEvent& event) override;
    static constexpr std::chrono::milliseconds kIdleWalkInterval{100};
    static constexpr std::chrono::milliseconds kIdleWalkIntervalPolling{1000};

    // ---- left column
    wxStaticText* ID_STATICTEXT6 = nullptr;   // "Remarks"
    wxTextCtrl* ID_TEXTCTRL2 = nullptr;       // Remarks box
    wxStaticText* ID_STATICTEXT12 = nullptr;  // "Result section for ini file"
    wxTextCtrl* ID_TEXTCTRL7 = nullptr;       // result box
    wxStaticLine* ID_STATICLINE5 = nullptr;
    // Under the result box: keeping the sections.
    wxButton* copyResultButton = nullptr;   // "Copy"
    wxButton* saveResultButton = nullptr;   // "Save…"
    wxStaticText* lineEndsLabel = nullptr;  // "Line ends"
    wxChoice* lineEndsChoice = nullptr;     // "CR LF", "LF" (setting LineEnds)
    wxStaticText* resultMessage = nullptr;  // outcome of Copy, Save, a section (or its notes)
    wxButton* openIniButton = nullptr;      // "Open ini…": the ini file, chosen without saving
    wxStaticText* iniFileLine = nullptr;    // "IniFile": which ini file, what it holds, or why not

    // ---- frame
    wxNotebook* ID_NOTEBOOK1 = nullptr;
    wxPanel* ID_PANEL1 = nullptr;  // DiscrCtrls
    wxPanel* ID_PANEL6 = nullptr;  // NumCtrls
    wxPanel* ID_PANEL2 = nullptr;  // Indication
    wxPanel* ID_PANEL4 = nullptr;  // AlphNum Indic
    wxPanel* ID_PANEL5 = nullptr;  // Discrete Indic
    wxPanel* ID_PANEL3 = nullptr;  // Axes
    wxStaticLine* ID_STATICLINE1 = nullptr;

    // ---- Device panel
    wxStaticText* ID_STATICTEXT1 = nullptr;  // "Device"
    wxTextCtrl* ID_TEXTCTRL22 = nullptr;     // device identifier
    wxStaticText* ID_STATICTEXT2 = nullptr;  // connection status
    wxStaticLine* ID_STATICLINE7 = nullptr;
    wxStaticText* ID_STATICTEXT24 = nullptr;  // "Serial port"
    wxButton* ID_BUTTON4 = nullptr;           // "Refresh list"
    wxComboBox* ID_COMBOBOX1 = nullptr;       // port box
    wxStaticText* ID_STATICTEXT51 = nullptr;  // "Baudrate"
    wxComboBox* ID_COMBOBOX2 = nullptr;       // baud box
    wxButton* ID_BUTTON1 = nullptr;           // "Open"
    wxButton* ID_BUTTON8 = nullptr;           // "Reset (Arduino)"
    wxButton* ID_BUTTON2 = nullptr;           // "Close"
    wxStaticText* portReason = nullptr;       // "PortReason": why the last Open failed
    wxStaticText* LinkNote = nullptr;         // under the status: "board unplugged"
    wxCheckBox* ReconnectBox = nullptr;       // "Reconnect automatically"
    wxStaticLine* ID_STATICLINE8 = nullptr;
    wxStaticText* ID_STATICTEXT55 = nullptr;  // "UDP server"
    wxStaticText* ID_STATICTEXT32 = nullptr;  // "UDP port"
    wxTextCtrl* ID_TEXTCTRL47 = nullptr;      // UDP port
    wxStaticText* ID_STATICTEXT70 = nullptr;  // "ID filter"
    wxTextCtrl* ID_TEXTCTRL63 = nullptr;      // ID filter
    wxButton* ID_BUTTON22 = nullptr;          // "Start"
    wxButton* ID_BUTTON23 = nullptr;          // "Stop"
    wxStaticText* udpState = nullptr;         // "UdpState": listening on which port, or stopped
    wxStaticText* udpReason = nullptr;        // "UdpReason": why the last Start failed
    wxStaticLine* ID_STATICLINE9 = nullptr;
    wxStaticLine* ID_STATICLINE10 = nullptr;
    wxStaticText* ID_STATICTEXT30 = nullptr;  // "Console"
    wxButton* ID_BUTTON9 = nullptr;           // "Console ON/OFF"
    wxCheckBox* ID_CHECKBOX2 = nullptr;       // "Inputs only"
    wxStaticLine* ID_STATICLINE6 = nullptr;
    wxButton* ID_BUTTON3 = nullptr;  // "Quit"

    // ---- DiscrCtrls page
    wxTextCtrl* ID_TEXTCTRL25 = nullptr;       // "Last control event:"
    wxTextCtrl* ID_TEXTCTRL10 = nullptr;       // "EvID(decimal)"
    wxStaticText* discreteInIni = nullptr;     // "DiscreteInIni": the event's control in the file
    wxChoice* ID_CHOICE2 = nullptr;            // "Control type"
    wxTextCtrl* ID_TEXTCTRL1 = nullptr;        // "    Offset"
    wxButton* ID_BUTTON31 = nullptr;           // "<Ctrls"
    wxChoice* ID_CHOICE1 = nullptr;            // "Data[Offset] type"
    wxChoice* ID_CHOICE8 = nullptr;            // "Data[Offset] size"
    wxChoice* ID_CHOICE11 = nullptr;           // "Encoding"
    wxStaticText* ID_STATICTEXT113 = nullptr;  // SPST/SPDT note
    wxTextCtrl* ID_TEXTCTRL9 = nullptr;        // "0:"
    wxTextCtrl* ID_TEXTCTRL8 = nullptr;        // "1:"
    wxTextCtrl* ID_TEXTCTRL6 = nullptr;        // "Mask:"
    wxTextCtrl* ID_TEXTCTRL3 = nullptr;        // "Min:"
    wxTextCtrl* ID_TEXTCTRL4 = nullptr;        // "Max:"
    wxTextCtrl* ID_TEXTCTRL5 = nullptr;        // "Increment:"
    wxRadioBox* ID_RADIOBOX1 = nullptr;        // "Cycling options"
    wxButton* ID_BUTTON5 = nullptr;            // "Add control section"
    wxButton* ID_BUTTON26 = nullptr;           // "All clear"
    wxButton* ID_BUTTON27 = nullptr;           // "All set"
    wxButton* ID_BUTTON28 = nullptr;           // "Invert"
    wxButton* ID_BUTTON29 = nullptr;           // "> Mask"
    wxButton* ID_BUTTON30 = nullptr;           // "< Mask"
    // Mask boxes by bit number: bit b is the window ID_CHECKBOX<36-b>; its
    // caption is ID_STATICTEXT<108-b> (bit 31: ID_STATICTEXT19).
    wxCheckBox* maskBitBox[32] = {};
    wxStaticText* maskBitCaption[32] = {};

    // ---- NumCtrls page
    wxTextCtrl* ID_TEXTCTRL59 = nullptr;       // "Last control event:"
    wxTextCtrl* ID_TEXTCTRL60 = nullptr;       // "EvId(decimal)"
    wxTextCtrl* ID_TEXTCTRL61 = nullptr;       // "Event filter"
    wxTextCtrl* ID_TEXTCTRL62 = nullptr;       // "Current value"
    wxStaticText* numericInIni = nullptr;      // "NumericInIni": the event's control in the file
    wxTextCtrl* ID_TEXTCTRL17 = nullptr;       // "    Offset"
    wxButton* ID_BUTTON32 = nullptr;           // "<Ctrls"
    wxStaticText* ID_STATICTEXT114 = nullptr;  // "ControlID"
    wxTextCtrl* ID_TEXTCTRL67 = nullptr;       // ControlID
    wxChoice* ID_CHOICE9 = nullptr;            // "Data[Offset] type"
    wxChoice* ID_CHOICE7 = nullptr;            // "Data[Offset] size"
    wxChoice* ID_CHOICE12 = nullptr;           // "Encoding"
    wxTextCtrl* ID_TEXTCTRL49 = nullptr;       // "    factor"
    wxTextCtrl* ID_TEXTCTRL66 = nullptr;       // "    zero offset"
    wxButton* ID_BUTTON21 = nullptr;           // "Add control section"
    wxButton* ID_BUTTON18 = nullptr;           // "DeviceMax >"
    wxTextCtrl* ID_TEXTCTRL50 = nullptr;       // DeviceMax
    wxTextCtrl* ID_TEXTCTRL51 = nullptr;       // "SimMax:"
    wxButton* ID_BUTTON19 = nullptr;           // "DevCenter >"
    wxTextCtrl* ID_TEXTCTRL56 = nullptr;       // DevCenter
    wxTextCtrl* ID_TEXTCTRL57 = nullptr;       // "SimMin:"
    wxButton* ID_BUTTON20 = nullptr;           // "DeviceMin >"
    wxTextCtrl* ID_TEXTCTRL58 = nullptr;       // DeviceMin
    wxCheckBox* ID_CHECKBOX4 = nullptr;        // "Has center:"
    wxButton* ID_BUTTON25 = nullptr;           // "Calculate\nfactor and zero offset"

    // ---- Indication page
    wxChoice* ID_CHOICE4 = nullptr;           // "Indication type"
    wxTextCtrl* ID_TEXTCTRL11 = nullptr;      // "    Offset"
    wxChoice* ID_CHOICE3 = nullptr;           // "Data[Offset] type"
    wxChoice* ID_CHOICE10 = nullptr;          // "Data[Offset] size"
    wxChoice* ID_CHOICE13 = nullptr;          // "Encoding"
    wxTextCtrl* ID_TEXTCTRL13 = nullptr;      // "[section name]"
    wxButton* ID_BUTTON6 = nullptr;           // "Add indication \nsection"
    wxTextCtrl* ID_TEXTCTRL14 = nullptr;      // "*Device:"
    wxTextCtrl* ID_TEXTCTRL15 = nullptr;      // "**Position:"
    wxTextCtrl* ID_TEXTCTRL16 = nullptr;      // "Length:"
    wxTextCtrl* ID_TEXTCTRL18 = nullptr;      // "Factor:"
    wxTextCtrl* ID_TEXTCTRL19 = nullptr;      // "Zero Offset:"
    wxTextCtrl* ID_TEXTCTRL20 = nullptr;      // "Mask:"
    wxCheckBox* ID_CHECKBOX1 = nullptr;       // "Show leading zeroes"
    wxStaticText* ID_STATICTEXT69 = nullptr;  // note on the starred captions
    wxTextCtrl* ID_TEXTCTRL21 = nullptr;      // "IndicMax"
    wxTextCtrl* ID_TEXTCTRL46 = nullptr;      // "SimMax:"
    wxTextCtrl* ID_TEXTCTRL65 = nullptr;      // "IndicMin"
    wxTextCtrl* ID_TEXTCTRL64 = nullptr;      // "SimMin:"
    wxButton* ID_BUTTON24 = nullptr;          // "Calculate \nfactor and zero_offset"
    wxTextCtrl* ID_TEXTCTRL12 = nullptr;      // "Data for indic. test"
    wxTextCtrl* ID_TEXTCTRL23 = nullptr;      // prepared value 1
    wxTextCtrl* ID_TEXTCTRL24 = nullptr;      // prepared value 2
    wxTextCtrl* ID_TEXTCTRL45 = nullptr;      // prepared value 3
    wxButton* ID_BUTTON15 = nullptr;          // "Value 1 >"
    wxButton* ID_BUTTON16 = nullptr;          // "Value 2 >"
    wxButton* ID_BUTTON17 = nullptr;          // "Value 3 >"

    // ---- the lines under the calculators: which fields took their default
    // in the last run ("MaskMessage", "NumericFactorMessage",
    // "IndicationFactorMessage")
    wxStaticText* maskMessage = nullptr;
    wxStaticText* numericFactorMessage = nullptr;
    wxStaticText* indicationFactorMessage = nullptr;

    // ---- AlphNum Indic and Discrete Indic pages
    wxGrid* ID_GRID1 = nullptr;
    wxButton* ID_BUTTON7 = nullptr;  // "Clear outputs"
    wxGrid* ID_GRID2 = nullptr;
    wxButton* ID_BUTTON11 = nullptr;  // "Clear outputs"

    // ---- Axes page
    wxTextCtrl* axisValueField[16] = {};  // rows 0..15 (ID_TEXTCTRL30, 26..29, 31..41)
    wxChoice* ID_CHOICE6 = nullptr;       // "Dataref type"
    wxChoice* ID_CHOICE5 = nullptr;       // "Axis"
    wxTextCtrl* ID_TEXTCTRL42 = nullptr;  // "Dataref"
    wxTextCtrl* ID_TEXTCTRL43 = nullptr;  // "[section name]"
    wxTextCtrl* ID_TEXTCTRL48 = nullptr;  // "Index:"
    wxButton* ID_BUTTON12 = nullptr;      // "DeviceMax >"
    wxTextCtrl* ID_TEXTCTRL44 = nullptr;  // axis DeviceMax
    wxTextCtrl* ID_TEXTCTRL54 = nullptr;  // "SimMax:"
    wxButton* ID_BUTTON13 = nullptr;      // "DevCenter >"
    wxTextCtrl* ID_TEXTCTRL52 = nullptr;  // axis DevCenter
    wxTextCtrl* ID_TEXTCTRL55 = nullptr;  // "SimMin:"
    wxButton* ID_BUTTON14 = nullptr;      // "DeviceMin >"
    wxTextCtrl* ID_TEXTCTRL53 = nullptr;  // axis DeviceMin
    wxCheckBox* ID_CHECKBOX3 = nullptr;   // "Has center:"
    wxButton* ID_BUTTON10 = nullptr;      // "Add axis section"

    // ---- owned objects and state
    Serial serial;
    UdpServer udpServer;
    int silentTicks = 0;
    int consoleOn = 0;          // bit 0: debug console open
    wxTimer pollTimer;          // one-shot, armed while the port is open (see OnPollTimer)
    bool takingAtWake = false;  // OnPollTimer is taking the answers that waited for it
    std::chrono::steady_clock::time_point pollLastTick;
    int pollPlanned = 0;
    // While the board answers on a page without frames, the reading thread
    // sends the detect requests and the window sleeps (see DetectStandby).
    DetectStandby detectStandby;
    bool standbyOn = false;      // started here and not yet ended here
    bool pollRearmOwed = false;  // ended on delivering a message: arm on the slice's end
    // The poll ticks are counted by the timer or by the standby.
    bool PollClockRunning() const { return pollTimer.IsRunning() || standbyOn; }
    void StopPollClock();  // the ticks stop counting by time (tests drive them)
    wxTimer resetTimer;
    // Serial ports coming and going; the link that hung up waits for its
    // port here (awaitingBoard) unless the user closes it.
    PortWatch portWatch;
    std::atomic<bool> portsChangePosted{false};
    std::string openedPort;  // the port of the open connection, as opened
    bool awaitingBoard = false;
    // Writes the kept Remarks and result a moment after they change.
    wxTimer keepTimer;
    static constexpr int kKeepDelayMs = 1000;
    // The ini file the results go to (lastResultFile) as last read, and the
    // watch that has it read again when it changes on disk. The watch thread
    // only posts; a burst of changes makes one reading.
    FileWatch iniWatch{[this] {
        if (!iniChangePosted.exchange(true))
            CallAfter([this] {
                iniChangePosted = false;
                ReadIniFile();
            });
    }};
    std::atomic<bool> iniChangePosted{false};
    std::string iniPath;  // the file iniSections are of (UTF-8); empty: none
    std::string iniName;  // its name as the lines show it, read once with the file
    std::vector<IniSection> iniSections;
    // The controls of the last events shown on DiscrCtrls and NumCtrls.
    std::optional<long> discreteEventId;
    std::optional<long> numericEventId;
    // Asked by "Save…" when the file has sections of the result already, or
    // the result holds one twice: a dialog with "Replace", "Append anyway"
    // and "Cancel" (tests answer it themselves).
    std::function<RepeatChoice(const wxString& question)> askAboutRepeats;
    // Bytes from the receive threads reach the GUI thread through these.
    ReceiveHandoff serialHandoff;
    ReceiveHandoff udpHandoff;

    // Field values of received events. Processing a slice of received bytes
    // only records the latest value of each field here; ShowPendingFields
    // writes them once at the end of the slice, so a flood of events costs
    // one update per field and the fields end with the last event's values.
    struct PendingFields {
        std::optional<wxString> device;         // ID_TEXTCTRL22
        std::optional<wxString> discreteId;     // ID_TEXTCTRL10
        std::optional<wxString> discreteEvent;  // ID_TEXTCTRL25
        std::optional<wxString> numericId;      // ID_TEXTCTRL60
        std::optional<wxString> numericEvent;   // ID_TEXTCTRL59
        std::optional<wxString> currentValue;   // ID_TEXTCTRL62
        bool connected = false;                 // show "Connected"
    } pendingFields;
    void ShowPendingFields();

    // ---- app/: start-up, settings, shut-down
    void LoadSettings();
    void SaveSettings();
    void SaveReconnectSetting();
    void OnQuit(wxCommandEvent& event);
    void OnCloseWindow(wxCloseEvent& event);
    void StopReceivers();  // ends both receive threads before the window goes

    // ---- ui/
    void OnPageChanged(wxBookCtrlEvent& event);
    void OnPortEnter(wxCommandEvent& event);
    void OnPortFocus(wxFocusEvent& event);
    void OnIgnorePaint(wxPaintEvent& event);
    void OnIgnoreMouseEnter(wxMouseEvent& event);
    void SetStatus(const wxString& label, const wxColour& colour);
    // Shows `text` in one of the reason lines (portReason, udpReason),
    // wrapped to the Device panel; an empty text hides the line. The window
    // keeps the fitted size of its layout.
    void ShowReason(wxStaticText* line, const wxString& text);
    // Gives the window the size its layout needs now, after a line beside a
    // control took more or less room.
    void FitToLayout();
    // Gives a message line the height of its text at the width it was made
    // with, and the window the size its layout then needs.
    void FitMessageHeight(wxStaticText* line);
    // Shows `text` in a message line, broken between words where the line
    // is too narrow for it, so that every word of it shows.
    void ShowWrapped(wxStaticText* line, const wxString& text);

    // ---- serial/
    void RefreshPortList();
    // Refills the list when the ports changed, leaving the text and the
    // caret of the port box as they are.
    void RefreshPortListKeepingText();
    // The port box's text without the description of a listed entry: the
    // path that is opened and kept in the settings.
    std::string PortPath() const;
    void OnRefreshList(wxCommandEvent& event);
    void OnPortsChanged();  // GUI thread, after the port watch saw a change

    // ---- device/: connection control, protocol, output test
    void OnOpenPort(wxCommandEvent& event);
    // `name` typed into the port box and "Open" pressed (the command line's
    // --port); nothing while a port is open.
    void OpenPortNamed(const std::string& name);
    void OnClosePort(wxCommandEvent& event);
    // Opens the port and starts the warm-up; "Open" and the reconnection
    // share it. True on success.
    bool OpenBoardPort(const std::string& portName, bool saveSettings);
    void OnLineHungUp();  // GUI thread, in order after the line's last bytes
    void OnReconnectToggled(wxCommandEvent& event);
    void StopAwaitingBoard();
    void ShowClosedControls();
    void ShowLinkNote(const wxString& note);
    // The reason line and a console line while the board takes no data.
    void ShowBoardTakesData(bool takes);
    bool boardRefusesData = false;
    void OnResetBoard(wxCommandEvent& event);
    void OnResetTimer(wxTimerEvent& event);
    void OnPollTimer(wxTimerEvent& event);
    void PollTick();  // one 20 ms poll tick, as the timer counts it
    // The ticks slept through until `now` (not before the last counted one).
    void CountPassedTicks(
        std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now());
    void CountTicksUntil(std::chrono::steady_clock::time_point now);
    int TicksToNextDue() const;  // see TicksUntilDue
    // The board is shown as connected, with its number (*shown), and nothing
    // about it waits to be shown: an answer of that number changes nothing.
    bool BoardShownQuiet(long* shown) const;
    bool StartStandby(bool* settle);  // settle: try again on the next tick
    void EndStandby();
    // A detect answer of the board shown as connected changes nothing on
    // screen: the reading thread may leave it for the next poll wake instead
    // of waking the window. These say when that holds, and take such answers
    // before anything they could be out of date for.
    void PublishQuietAnswers(bool wakeComing = false);
    void TakeWaitingAnswers();
    void PaintEventsNow();
    std::chrono::steady_clock::time_point lastEventPaint;  // began
    std::chrono::steady_clock::time_point nextEventPaint;  // the earliest for the next
    void ArmPollTimer();  // wakes for the next tick that does something
    void ProcessSerialBytes(const char* data, int count);  // GUI thread
    void FillOutputFrames();
    void RefreshSegmentGrid();
    void RefreshLedGrid();
    void OnClearOutputs(wxCommandEvent& event);
    void OnTestValue1(wxCommandEvent& event);
    void OnTestValue2(wxCommandEvent& event);
    void OnTestValue3(wxCommandEvent& event);

    // ---- net/
    void OnUdpStart(wxCommandEvent& event);
    void OnUdpStop(wxCommandEvent& event);
    void ShowUdpState();  // "Start", "Stop", the port field and udpState by the server's state
    void ProcessDatagram(const char* data, int count);  // GUI thread

    // ---- ini/
    void OnAddControlSection(wxCommandEvent& event);
    void AppendSection(const PageReader& reader, const std::vector<std::string>& pieces,
                       const std::vector<std::string>& notes);
    void UpdateDiscreteFields();
    void DisableDiscreteFields();
    void OnDiscreteTypeChanged(wxCommandEvent& event);
    void OnDataChoiceChanged(wxCommandEvent& event);
    void OnDiscreteCtrlsPreset(wxCommandEvent& event);
    void OnAddNumericSection(wxCommandEvent& event);
    void OnNumericCtrlsPreset(wxCommandEvent& event);
    void OnAddIndicationSection(wxCommandEvent& event);
    void UpdateIndicationFields();
    void EnableIndicationFields();
    void DisableIndicationFields();
    void OnIndicationTypeChanged(wxCommandEvent& event);
    void OnShowLeadingZeroes(wxCommandEvent& event);
    void OnDatarefTypeChanged(wxCommandEvent& event);
    void OnAxisChoiceChanged(wxCommandEvent& event);

    // ---- ini/: keeping the result (ResultHandlers.cpp)
    void OnCopyResult(wxCommandEvent& event);
    void OnSaveResult(wxCommandEvent& event);
    void OnOpenIni(wxCommandEvent& event);
    void OnLineEndsChanged(wxCommandEvent& event);
    void OnKeptTextChanged(wxCommandEvent& event);
    void OnKeepTimer(wxTimerEvent& event);
    // Appends the result to the ini file at `path`; true when saved. The
    // outcome shows in the message under the result box.
    bool SaveResultTo(const wxString& path);
    void ShowResultMessage(const wxString& text);
    // The question of askAboutRepeats in a dialog of three buttons.
    RepeatChoice AskAboutRepeats(const wxString& question);

    // ---- ini/: the ini file the results go to (IniFileHandlers.cpp)
    // Makes `path` the ini file: remembered as ResultFile, watched, read.
    void ChooseIniFile(const wxString& path);
    // Reads the ini file again; the line under the result box and the lines
    // of the control pages say what it holds (a file that cannot be read
    // says why, and its sections stay as they were last read).
    void ReadIniFile();
    // Takes the controls of the events about to be shown (pendingFields).
    void NoteEventControls();
    void ShowInIni(wxStaticText* line, const std::optional<long>& id);
    void RestoreKeptText();
    void KeepText();  // writes the Remarks and the result when they changed

    // ---- calc/
    void OnMaskAllClear(wxCommandEvent& event);
    void OnMaskAllSet(wxCommandEvent& event);
    void OnMaskInvert(wxCommandEvent& event);
    void OnMaskFromBoxes(wxCommandEvent& event);
    void OnMaskToBoxes(wxCommandEvent& event);
    void OnCalcIndicationFactor(wxCommandEvent& event);
    void OnCalcNumericFactor(wxCommandEvent& event);
    void OnCopyDeviceMax(wxCommandEvent& event);
    void OnCopyDevCenter(wxCommandEvent& event);
    void OnCopyDeviceMin(wxCommandEvent& event);
    void OnNumericHasCenter(wxCommandEvent& event);
    void OnAxisCopyDeviceMax(wxCommandEvent& event);
    void OnAxisCopyDevCenter(wxCommandEvent& event);
    void OnAxisCopyDeviceMin(wxCommandEvent& event);
    void OnAxisHasCenter(wxCommandEvent& event);

    // ---- console/
    void OnConsoleToggle(wxCommandEvent& event);
    bool InputsOnly() const;  // tick of "Inputs only", read at each filtered print

  private:
    // Window building, one function per part of the window (ui/).
    void BuildWindow();
    wxSizer* BuildLeftColumn();
    wxSizer* BuildDevicePanel();
    // Each fills its notebook page, which is in the notebook already.
    void BuildDiscrCtrlsPage(wxPanel* page);
    void BuildNumCtrlsPage(wxPanel* page);
    void BuildIndicationPage(wxPanel* page);
    void BuildAlphNumPage(wxPanel* page);
    void BuildDiscreteIndicPage(wxPanel* page);
    void BuildAxesPage(wxPanel* page);
    void BindEvents();

    std::chrono::steady_clock::time_point lastIdleWalk;
    wxTimer idleWalkTimer;      // one-shot: the walk left out by the last pass
    bool pollWakePass = false;  // the poll timer woke the loop for this pass
    bool idleWalkOwed = false;  // something besides the poll timer came since the walk
    // What was last written to (or read from) the kept files.
    std::string keptRemarks;
    std::string keptResult;
    wxString lastResultFile;  // setting ResultFile: where "Save…" last appended
};

// Program-wide state (one instance each; defined in ui/Globals.cpp).
extern loggerDialog* theDialog;
extern int currentPage;  // 0 DiscrCtrls .. 5 Axes; GUI thread only
extern char segmentFrame[134];
extern char ledFrame[70];
extern wxCheckBox* maskBoxes[32];
extern wxTextCtrl* axisFields[16];

// Receive callbacks given to the serial port and the UDP server. They run on
// the receive threads and only hand the bytes over to the GUI thread.
int OnSerialReceive(const char* data, int count);
void OnSerialHangUp();
std::chrono::steady_clock::time_point OnSerialDue(std::chrono::steady_clock::time_point now);
int OnDatagram(const char* data, int count);
