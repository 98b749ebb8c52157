// Opening, resetting and closing the board's port, the poll timer that
// detects the board and sends the output frames, and the display of what the
// board reports.
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console/Console.h"
#include "device/BoardProtocol.h"
#include "device/Connection.h"
#include "device/PollSchedule.h"
#include "platform/SerialLine.h"
#include "ui/loggerDialog.h"

int pollDelay = 0;
int detectTick = 0;

namespace {

// The serial path's message assembly. It lives for the whole run: a message
// cut off by a close is ended by the first "{" of the next connection.
MessageAssembler serialAssembly;

// The kinds of block handed to the port: while the board takes no data, a
// newer frame of a kind replaces the one still waiting.
enum OutputKind : unsigned { kSegmentOutput = 1, kLedOutput, kDetectOutput };

const wxColour kOlive(128, 128, 0);
const wxColour kRed(255, 0, 0);

// The baud box's text by strtol's rules (its leading digits, 0 when none),
// kept within int.
int ReadBaudRate(const wxString& text) {
    const long value = std::strtol(text.mb_str(wxConvLibc), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// "Current value" hides values of other controls than the one the "Event
// filter" names; an empty filter lets every value through.
bool PassesEventFilter(const wxString& filter, unsigned id) {
    if (filter.empty()) return true;
    return std::strtol(filter.mb_str(wxConvLibc), nullptr, 10) == static_cast<long>(id);
}

void ShowBoardMessage(loggerDialog& dialog, const char* text, int length) {
    BoardMessage message;
    const bool decoded = DecodeBoardMessage(text, length, &message);

    // Any complete message, decodable or not, shows that the board is there,
    // unless it came before the port was closed: the fields may still show
    // it, the link state of a closed port it may not change.
    if (!dialog.serialHandoff.DeliveringStale()) {
        // The ticks slept through so far were silent ones.
        dialog.CountPassedTicks(dialog.serialHandoff.DeliveringReceived());
        dialog.silentTicks = 0;
        // Restyling the label costs far more than this check; under a stream
        // of messages it would be redone for every slice.
        if (dialog.ID_STATICTEXT2->GetLabel() != "Connected") dialog.pendingFields.connected = true;
    }
    if (!decoded) return;

    auto& fields = dialog.pendingFields;
    const int id = static_cast<int>(message.id);
    if (message.type == kDetectResponseType) {
        fields.device = wxString::Format("%d", id);
        if (!dialog.InputsOnly()) PrintDetectResponse(text);
    } else if (message.type != kNumericEventType && currentPage == 0) {
        ConsolePrintColoured(kColourYellow, kColourNormal, "{%s}  %d\n", text, id);
        fields.discreteId = wxString::Format("%d", id);
        fields.discreteEvent = wxString::Format("{%s}", text);
    } else if (message.type == kNumericEventType && currentPage == 1) {
        const int value = static_cast<int>(message.value);
        ConsolePrintColoured(kColourYellow, kColourNormal, "{%s}  %d   %d\n", text, id, value);
        fields.numericId = wxString::Format("%d", id);
        fields.numericEvent = wxString::Format("{%s}", text);
        if (PassesEventFilter(dialog.ID_TEXTCTRL61->GetValue(), message.id))
            fields.currentValue = wxString::Format("%d", value);
        else
            fields.currentValue = wxString("-----");
    }
}

// The console hears why, then what to do; the Device panel's reason line
// shows the same until an open succeeds.
void ReportPortFailure(loggerDialog& dialog, const std::string& path, const PortOpenError& error) {
    const FailureText why = DescribePortFailure(path, error, GatherPortFacts(path, error));
    ConsolePrintColoured(kColourRed, kColourNormal, "Reason: %s\n", why.reason.c_str());
    ConsolePrintf("What to do: %s\n", why.Line().c_str());
    dialog.ShowReason(dialog.portReason, wxString::FromUTF8(why.Line()));
}

}  // namespace

void loggerDialog::OnOpenPort(wxCommandEvent&) { OpenBoardPort(PortPath(), true); }

void loggerDialog::OpenPortNamed(const std::string& name) {
    if (!ID_BUTTON1->IsEnabled()) return;
    ID_COMBOBOX1->SetValue(wxString::FromUTF8(name));
    wxCommandEvent click(wxEVT_BUTTON, ID_BUTTON1->GetId());
    OnOpenPort(click);
}

bool loggerDialog::OpenBoardPort(const std::string& portName, bool saveSettings) {
    SetStatus("Disconnected", kOlive);
    serial.SetCallback(OnSerialReceive);
    serial.SetHangUpCallback(OnSerialHangUp);
    serial.SetTimerCallback(OnSerialDue);
    const int baudRate = ReadBaudRate(ID_COMBOBOX2->GetValue());

    // The hand-over refuses blocks after a close; this connection's may come.
    serialHandoff.Resume();
    if (serial.Open(portName.c_str(), baudRate) != 1) {
        ConsolePrintColoured(kColourRed, kColourNormal, "Could not open port %s\n",
                             portName.c_str());
        ReportPortFailure(*this, Serial::DevicePath(portName), serial.LastOpenError());
        return false;
    }
    pollDelay = kWarmUpTicks;
    // The ticks count from the open on.
    pollLastTick = std::chrono::steady_clock::now();
    pollPlanned = 0;
    ArmPollTimer();
    if (saveSettings) SaveSettings();
    ID_BUTTON1->Disable();
    ID_BUTTON2->Enable();
    ID_BUTTON8->Enable();
    ID_COMBOBOX1->Disable();
    openedPort = portName;
    StopAwaitingBoard();
    ShowLinkNote(wxEmptyString);
    boardRefusesData = false;
    ShowReason(portReason, wxEmptyString);
    ConsolePrintColoured(kColourGreen, kColourNormal, "Port %s opened at %d\n", portName.c_str(),
                         baudRate);
    return true;
}

void loggerDialog::OnClosePort(wxCommandEvent&) {
    // Answers that waited came before the close.
    TakeWaitingAnswers();
    SetStatus("Disconnected", kOlive);
    pendingFields.connected = false;
    CountPassedTicks();
    pollDelay = 0;
    ArmPollTimer();
    ShowClosedControls();
    StopAwaitingBoard();
    ShowLinkNote(wxEmptyString);
    // A reading thread waiting for room in a full hand-over would never be
    // joined while this thread sits in Close: let it go first. What it had
    // already handed over is still shown, in order, before anything of a
    // later connection, but as stale: it no longer shows the board as there.
    serialHandoff.Cancel();
    serial.Close();
    // What the board sent before the close is shown before the line that
    // says it closed (as stale: it no longer shows the board as there).
    serialHandoff.DrainAll();
    ShowBoardTakesData(true);
    ConsolePrintf("Port %s closed\n", PortPath().c_str());
}

void loggerDialog::OnLineHungUp() {
    if (!serial.IsOpen()) return;
    TakeWaitingAnswers();
    serialHandoff.Cancel();
    serial.Close();
    CountPassedTicks();
    pollDelay = 0;
    ArmPollTimer();
    resetTimer.Stop();
    SetStatus("Disconnected", kOlive);
    pendingFields.connected = false;
    ShowBoardTakesData(true);
    ShowLinkNote(ReconnectBox->IsChecked()
                     ? "board unplugged: waiting for it to come back (\"Close\" stops waiting)"
                     : "board unplugged");
    ConsolePrintColoured(kColourRed, kColourNormal, "Port %s: board unplugged\n",
                         openedPort.c_str());
    // Waiting for the board keeps the connection's controls: "Close" ends the
    // wait.
    ID_BUTTON8->Disable();
    if (ReconnectBox->IsChecked()) {
        awaitingBoard = true;
        portWatch.WatchPath(Serial::DevicePath(openedPort));
    } else {
        ShowClosedControls();
    }
}

void loggerDialog::OnPortsChanged() {
    RefreshPortListKeepingText();
    if (!awaitingBoard || serial.IsOpen() || !ReconnectBox->IsChecked()) return;
    // Not there yet, or not yet given to the user's group by udev: a later
    // change will tell.
    if (!SerialLine::MayOpen(Serial::DevicePath(openedPort))) return;
    OpenBoardPort(openedPort, false);
}

void loggerDialog::OnReconnectToggled(wxCommandEvent&) {
    SaveReconnectSetting();
    if (!ReconnectBox->IsChecked() && awaitingBoard) {
        StopAwaitingBoard();
        ShowClosedControls();
        ShowLinkNote("board unplugged");
    }
}

void loggerDialog::StopAwaitingBoard() {
    awaitingBoard = false;
    portWatch.WatchPath(std::string());
}

void loggerDialog::ShowClosedControls() {
    ID_BUTTON2->Disable();
    ID_BUTTON1->Enable();
    ID_BUTTON8->Disable();
    ID_COMBOBOX1->Enable();
}

// A write that failed while the port's thread still runs: the board (or its
// adapter) no longer takes data. Said once, and taken back once the line
// takes data again.
void loggerDialog::ShowBoardTakesData(bool takes) {
    if (takes == !boardRefusesData || (!takes && !serial.Running())) return;
    boardRefusesData = !takes;
    if (takes) {
        ShowReason(portReason, wxEmptyString);
        return;
    }
    ConsolePrintColoured(kColourRed, kColourNormal, "Port %s: the board does not take data\n",
                         openedPort.c_str());
    ShowReason(portReason, wxString::FromUTF8(
                               "The board does not take data: what was sent to it did not go out "
                               "in time. Reset the board, or unplug it and plug it in again."));
}

void loggerDialog::ShowLinkNote(const wxString& note) {
    if (LinkNote->GetLabel() != note) LinkNote->SetLabel(note);
}

void loggerDialog::OnResetBoard(wxCommandEvent&) {
    TakeWaitingAnswers();
    SetStatus("Disconnected", kOlive);
    const bool armed = PollClockRunning();
    CountPassedTicks();
    silentTicks = 0;
    pollDelay = kWarmUpTicks;
    if (armed) ArmPollTimer();
    serial.DtrOff();
    resetTimer.Start(500);
}

void loggerDialog::OnResetTimer(wxTimerEvent&) {
    serial.DtrOn();
    resetTimer.Stop();
}

// The poll ticks come every 20 ms while the port is open, but the timer wakes
// the window only for the next tick that does something (TicksUntilDue): the
// ticks in between only count, and are counted when the wake comes, or
// earlier when something that decides the next wake changes (the page, a
// reset, a message from the board: CountPassedTicks, then ArmPollTimer).
// pollLastTick is when the last counted tick was due, pollPlanned how many
// ticks after it the armed wake is for.
void loggerDialog::OnPollTimer(wxTimerEvent&) {
    pollWakePass = true;
    // Answers that waited for this wake count from when they came (the
    // one-shot timer no longer runs here, yet its ticks are still planned).
    takingAtWake = true;
    TakeWaitingAnswers();
    takingAtWake = false;
    // The board answers a detect request sent by the ticks below within a
    // millisecond, while this wake still runs: the answer may wait for the
    // next wake already (ArmPollTimer decides again after the ticks).
    PublishQuietAnswers(true);
    const int ticks = pollPlanned;
    pollPlanned = 0;
    for (int i = 0; i < ticks && pollDelay != 0; ++i) PollTick();
    pollLastTick += ticks * kPollTickPeriod;
    // A wake later than a whole tick (the window was busy) starts the count
    // anew from now rather than catching up with a burst of writes.
    const auto now = std::chrono::steady_clock::now();
    if (now - pollLastTick >= kPollTickPeriod) pollLastTick = now;
    ArmPollTimer();
}

void loggerDialog::CountPassedTicks(std::chrono::steady_clock::time_point now) {
    // Only while the ticks count by time: stopped, they are not counted at
    // all (the port is closed, or a test drives them one by one).
    if (standbyOn)
        EndStandby();
    else if (!pollTimer.IsRunning() && !takingAtWake)
        return;
    CountTicksUntil(now);
}

void loggerDialog::CountTicksUntil(std::chrono::steady_clock::time_point now) {
    if (pollPlanned <= 1) return;
    const auto passed = std::max<long long>((now - pollLastTick) / kPollTickPeriod, 0);
    // The ticks before the planned one do nothing but count; the planned one
    // is left to the wake.
    const int quiet = static_cast<int>(std::min<long long>(passed, pollPlanned - 1));
    for (int i = 0; i < quiet; ++i) PollTick();
    pollLastTick += quiet * kPollTickPeriod;
    pollPlanned -= quiet;
}

// The window goes to sleep with the reading thread sending the detect
// requests when the board is shown as connected, its answers change nothing
// on screen and the page shown sends no frames.
bool loggerDialog::StartStandby(bool* settle) {
    long shown = -1;
    // Not while a stream is being shown: its messages would end it at once.
    if (pollDelay != 1 || detectTick >= 10 || PageSendsFrames(currentPage) || !serial.IsOpen() ||
        !serialHandoff.Idle() || !BoardShownQuiet(&shown))
        return false;
    // The window's own request has just gone out: its answer, a moment
    // away, would come while the thread takes over and wake the window
    // again. The next tick takes it and hands over then.
    if (detectTick == 0 && silentTicks > 0) {
        *settle = true;
        return false;
    }
    // Answers that waited are taken first, counted from when they came; from
    // now on none waits (the thread takes them, or they wake the window).
    pollTimer.Stop();
    serialHandoff.AllowWaiting(-1);
    pollPlanned = TicksToNextDue();
    takingAtWake = true;
    serialHandoff.DrainWaiting();
    takingAtWake = false;
    const DetectStandby::Plan plan{pollLastTick, detectTick, silentTicks, static_cast<int>(shown),
                                   !InputsOnly()};
    if (!DetectStandby::Worthwhile(plan, std::chrono::steady_clock::now())) return false;
    pollPlanned = 0;
    standbyOn = true;
    serial.WakeAt(detectStandby.Start(plan));
    return true;
}

// The window counts on from where the reading thread got.
void loggerDialog::EndStandby() {
    if (!standbyOn) return;
    standbyOn = false;
    pollRearmOwed = true;
    const DetectStandby::Progress progress = detectStandby.End();
    if (progress.ticks > 0) {
        pollLastTick += progress.ticks * kPollTickPeriod;
        detectTick = 0;
        silentTicks = progress.silentTicks;
    }
    pollPlanned = TicksToNextDue();
    if (progress.answerAfter) {
        CountTicksUntil(*progress.answerAfter);
        silentTicks = 0;
    }
}

void loggerDialog::StopPollClock() {
    EndStandby();
    pollTimer.Stop();
    pollPlanned = 0;
    pollRearmOwed = false;
}

void loggerDialog::ArmPollTimer() {
    if (standbyOn) CountPassedTicks();
    pollRearmOwed = false;
    bool settle = false;
    if (StartStandby(&settle)) {
        PublishQuietAnswers();
        return;
    }
    int due = TicksToNextDue();
    if (settle && due > 1) due = 1;
    if (due == 0) {
        pollTimer.Stop();
        pollPlanned = 0;
        PublishQuietAnswers();
        return;
    }
    pollPlanned = due;
    const auto wait = pollLastTick + due * kPollTickPeriod - std::chrono::steady_clock::now();
    // Rounded up: the timer must not come before the tick is due.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wait).count();
    pollTimer.StartOnce(static_cast<int>(std::max<long long>(ms, 1)));
    PublishQuietAnswers();
}

int loggerDialog::TicksToNextDue() const {
    return TicksUntilDue({pollDelay, detectTick, silentTicks, PageSendsFrames(currentPage)});
}

bool loggerDialog::BoardShownQuiet(long* shown) const {
    return !pendingFields.connected && !pendingFields.device &&
           ID_STATICTEXT2->GetLabel() == "Connected" && ID_TEXTCTRL22->GetValue().ToLong(shown);
}

void loggerDialog::PublishQuietAnswers(bool wakeComing) {
    // Only while a poll wake is sure to come and nothing about the board
    // waits to be shown; answers that waited when that ends are fetched.
    long shown = -1;
    const bool quiet =
        (wakeComing || pollTimer.IsRunning()) && pollDelay != 0 && BoardShownQuiet(&shown);
    if (quiet)
        serialHandoff.AllowWaiting(static_cast<int>(shown));
    else
        serialHandoff.StopWaiting();
}

void loggerDialog::TakeWaitingAnswers() {
    serialHandoff.AllowWaiting(-1);
    serialHandoff.DrainWaiting();
}

void loggerDialog::PollTick() {
    if (pollDelay == 0) return;
    if (pollDelay > 1) {
        --pollDelay;
        return;
    }

    // Only the pages that send the frames show them, and the fill reads
    // nothing but the Indication page; elsewhere it would be work 50 times a
    // second that nobody sees.
    if (currentPage >= 2 && currentPage <= 4) FillOutputFrames();

    bool wrote = false;
    int lastWrite = 0;
    ++detectTick;
    if (detectTick >= 1 && detectTick <= 9) {
        if (currentPage == 2 || currentPage == 3) {
            std::memcpy(segmentFrame, kSegmentHeader, 4);
            segmentFrame[kSegmentFrameLength - 1] = '}';
            segmentFrame[kSegmentFrameLength] = '\0';
            lastWrite = serial.Write(segmentFrame, kSegmentFrameLength, kSegmentOutput);
            wrote = true;
            if (!InputsOnly())
                ConsolePrintColoured(kColourCyan, kColourNormal, "%s\n", segmentFrame);
            RefreshSegmentGrid();
        }
        if (currentPage == 2 || currentPage == 4) {
            RefreshLedGrid();
            std::memcpy(ledFrame, kLedHeader, 4);
            ledFrame[kLedFrameLength - 1] = '}';
            ledFrame[kLedFrameLength] = '\0';
            lastWrite = serial.Write(ledFrame, kLedFrameLength, kLedOutput);
            wrote = true;
            if (!InputsOnly()) ConsolePrintColoured(kColourCyan, kColourNormal, "%s\n", ledFrame);
        }
    } else if (detectTick == 10) {
        lastWrite = serial.Write(kDetectRequest, kDetectRequestLength, kDetectOutput);
        wrote = true;
        if (!InputsOnly()) PrintDetectRequest();
        detectTick = 0;
    }

    if (wrote && lastWrite == -1) {
        SetStatus("Comm.Error", kRed);
        ShowBoardTakesData(false);
        return;
    }
    if (wrote) ShowBoardTakesData(!serial.OutputStalled());
    // Saturates instead of overflowing after years of silence.
    if (silentTicks < INT_MAX) ++silentTicks;
    if (silentTicks == kSilentTicksLimit) SetStatus("Disconnected", kOlive);
}

void loggerDialog::ProcessSerialBytes(const char* data, int count) {
    for (int i = 0; i < count; ++i) {
        switch (serialAssembly.Take(data[i])) {
            case MessageAssembler::Item::Message:
                ShowBoardMessage(*this, serialAssembly.Text(), serialAssembly.Length());
                break;
            case MessageAssembler::Item::Ack:
                if (!InputsOnly()) ConsolePrintf("\nACK\n");
                break;
            case MessageAssembler::Item::None:
                break;
        }
    }
}

namespace {
// Reading thread: the standby has ended there; the window counts on.
void ResumePollClock(loggerDialog* dialog) {
    dialog->serialHandoff.PushStep([dialog] {
        if (!dialog->serialHandoff.DeliveringStale()) dialog->CountPassedTicks();
    });
}
}  // namespace

std::chrono::steady_clock::time_point OnSerialDue(std::chrono::steady_clock::time_point now) {
    loggerDialog* dialog = theDialog;
    if (dialog == nullptr) return DetectStandby::kNever;
    bool handBack = false;
    const auto next = dialog->detectStandby.OnDue(
        now,
        [dialog] {
            return dialog->serial.Write(kDetectRequest, kDetectRequestLength, kDetectOutput) ==
                   kDetectRequestLength;
        },
        &handBack);
    if (handBack) ResumePollClock(dialog);
    return next;
}

void OnSerialHangUp() {
    // Reading thread: the window learns it after the line's last bytes. A
    // hang-up of a connection closed since is not this connection's.
    loggerDialog* dialog = theDialog;
    if (dialog == nullptr) return;
    dialog->serialHandoff.PushStep([dialog] {
        if (!dialog->serialHandoff.DeliveringStale()) dialog->OnLineHungUp();
    });
}

int OnSerialReceive(const char* data, int count) {
    // Reading thread: no window is touched here. The window joins this
    // thread before it goes, so theDialog is valid for the whole call.
    // Whole detect answers are taken here during the standby, or may wait
    // for the next poll wake (see PublishQuietAnswers).
    loggerDialog* dialog = theDialog;
    if (dialog == nullptr) return 0;
    const int answersId = WholeDetectAnswersId(data, count);
    // Answers behind blocks still to be shown go the same way, in order.
    const int takenId = answersId != -1 && dialog->serialHandoff.Idle() ? answersId : -1;
    bool handBack = false;
    if (dialog->detectStandby.TakeBlock(data, count, takenId, std::chrono::steady_clock::now(),
                                        &handBack)) {
        dialog->serial.WakeAt(dialog->detectStandby.NextDue());
        return 0;
    }
    dialog->serialHandoff.Push(data, count, answersId);
    if (handBack) ResumePollClock(dialog);
    return 0;
}
