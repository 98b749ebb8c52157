// Opening, resetting and closing the board's port, the poll timer that
// detects the board and sends the output frames, and the display of what the
// board reports.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console/Console.h"
#include "device/BoardProtocol.h"
#include "device/Connection.h"
#include "ini/FieldText.h"
#include "ui/loggerDialog.h"

int pollDelay = 0;
int detectTick = 0;

namespace {

// The serial path's message assembly. It lives for the whole run: a message
// cut off by a close is ended by the first "{" of the next connection.
MessageAssembler serialAssembly;

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

    // Any complete message, decodable or not, shows that the board is there.
    dialog.silentTicks = 0;
    // Restyling the label costs far more than this check; under a stream of
    // messages it would be redone for every slice.
    if (dialog.ID_STATICTEXT2->GetLabel() != "Connected") dialog.pendingFields.connected = true;
    if (!decoded) return;

    auto& fields = dialog.pendingFields;
    const int id = static_cast<int>(message.id);
    if (message.type == kDetectResponseType) {
        fields.device = wxString::Format("%d", id);
        if (!dialog.InputsOnly())
            ConsolePrintColoured(kColourMagenta, kColourNormal, "Device detect response: {%s}\n",
                                 text);
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

}  // namespace

void loggerDialog::OnOpenPort(wxCommandEvent&) {
    SetStatus("Disconnected", kOlive);
    serial.SetCallback(OnSerialReceive);
    const int baudRate = ReadBaudRate(ID_COMBOBOX2->GetValue());
    const std::string portName = Utf8Text(ID_COMBOBOX1->GetValue());  // paths are UTF-8

    // The hand-over refuses blocks after a close; this connection's may come.
    serialHandoff.Resume();
    if (serial.Open(portName.c_str(), baudRate) == 1) {
        pollDelay = kWarmUpTicks;
        SaveSettings();
        ID_BUTTON1->Disable();
        ID_BUTTON2->Enable();
        ID_BUTTON8->Enable();
        ID_COMBOBOX1->Disable();
        ConsolePrintColoured(kColourGreen, kColourNormal, "Port %s opened at %d\n",
                             portName.c_str(), baudRate);
    } else {
        ConsolePrintColoured(kColourRed, kColourNormal, "Could not open port %s\n",
                             portName.c_str());
    }
}

void loggerDialog::OnClosePort(wxCommandEvent&) {
    SetStatus("Disconnected", kOlive);
    pollDelay = 0;
    ID_BUTTON2->Disable();
    ID_BUTTON1->Enable();
    ID_BUTTON8->Disable();
    ID_COMBOBOX1->Enable();
    // A reading thread waiting for room in a full hand-over would never be
    // joined while this thread sits in Close: let it go first. What it had
    // already handed over is still shown, in order, before anything of a
    // later connection.
    serialHandoff.Cancel();
    serial.Close();
    ConsolePrintf("Port %s closed\n", Utf8Text(ID_COMBOBOX1->GetValue()).c_str());
}

void loggerDialog::OnResetBoard(wxCommandEvent&) {
    SetStatus("Disconnected", kOlive);
    silentTicks = 0;
    pollDelay = kWarmUpTicks;
    serial.DtrOff();
    resetTimer.Start(500);
}

void loggerDialog::OnResetTimer(wxTimerEvent&) {
    serial.DtrOn();
    resetTimer.Stop();
}

void loggerDialog::OnPollTimer(wxTimerEvent&) {
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
            lastWrite = serial.Write(segmentFrame, kSegmentFrameLength);
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
            lastWrite = serial.Write(ledFrame, kLedFrameLength);
            wrote = true;
            if (!InputsOnly()) ConsolePrintColoured(kColourCyan, kColourNormal, "%s\n", ledFrame);
        }
    } else if (detectTick == 10) {
        lastWrite = serial.Write(kDetectRequest, kDetectRequestLength);
        wrote = true;
        if (!InputsOnly()) ConsolePrintColoured(kColourCyan, kColourWhite, "{DET}\n");
        detectTick = 0;
    }

    if (wrote && lastWrite == -1) {
        SetStatus("Comm.Error", kRed);
        return;
    }
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

int OnSerialReceive(const char* data, int count) {
    // Reading thread: no window is touched here. The window joins this
    // thread before it goes, so theDialog is valid for the whole call.
    if (theDialog != nullptr) theDialog->serialHandoff.Push(data, count);
    return 0;
}
