// The "UDP server" group of the Device panel and the display of the event
// messages that arrive over UDP.
#include <optional>
#include <string>

#include "console/Console.h"
#include "net/DatagramParser.h"
#include "net/UdpFailure.h"
#include "ui/Controls.h"
#include "ui/loggerDialog.h"

namespace {

// The UDP path's message assembly, apart from the serial path's. It lives for
// the whole run: stopping and starting the server does not reset it. Only the
// GUI thread touches it.
UdpMessageState udpMessage;

// A message text as it shows in a field. Its bytes came off the network, so
// each is taken as one character (Latin-1 decodes every byte).
wxString FieldText(const char* text) { return wxString(text, wxConvISO8859_1); }

std::string TypedText(const wxTextCtrl* field) {
    return std::string(field->GetValue().mb_str(wxConvLibc));
}

// Applies every message and acknowledgement of one datagram to the window.
class DatagramDisplay : public UdpStreamSink {
  public:
    explicit DatagramDisplay(loggerDialog& dialog) : dialog_(dialog) {}

    void OnAcknowledgement() override {
        if (!dialog_.InputsOnly()) ConsolePrintf("\nACK\n");
    }

    void OnMessage(const char* text) override {
        const UdpEventView view = ViewUdpMessage(DecodeUdpMessage(text), Context());
        if (!view.accepted) return;

        auto& fields = dialog_.pendingFields;
        fields.device = wxString::Format("%d", view.device);
        if (view.page == UdpEventPage::Discrete) {
            ConsolePrintColoured(kColourYellow, kColourNormal, "{%s}  %d\n", text, view.id);
            fields.discreteId = wxString::Format("%d", view.id);
            fields.discreteEvent = "{" + FieldText(text) + "}";
        } else if (view.page == UdpEventPage::Numeric) {
            ConsolePrintColoured(kColourYellow, kColourNormal, "{%s}  %d   %d\n", text, view.id,
                                 view.value);
            fields.numericId = wxString::Format("%d", view.id);
            fields.numericEvent = "{" + FieldText(text) + "}";
            fields.currentValue =
                view.valueFiltered ? wxString("-----") : wxString::Format("%d", view.value);
        }
    }

  private:
    // The filters and the page are read when the first message of the
    // datagram needs them; nothing else runs on the GUI thread in between.
    const UdpDisplayContext& Context() {
        if (!haveContext_) {
            context_.idFilter = LeadingNumber(TypedText(dialog_.ID_TEXTCTRL63));
            context_.page = currentPage;
            context_.eventFilter = TypedText(dialog_.ID_TEXTCTRL61);
            haveContext_ = true;
        }
        return context_;
    }

    loggerDialog& dialog_;
    UdpDisplayContext context_;
    bool haveContext_ = false;
};

// The console hears why, then what to do; the group's reason line shows the
// same until a start succeeds. `what` befell the server: "not started",
// "stopped".
void ReportUdpFailure(loggerDialog& dialog, const FailureText& why,
                      const char* what = "not started") {
    ConsolePrintColoured(kColourRed, kColourNormal, "UDP server %s: %s\n", what,
                         why.reason.c_str());
    ConsolePrintf("What to do: %s\n", why.Line().c_str());
    dialog.ShowReason(dialog.udpReason, wxString::FromUTF8(why.Line()));
}

// Receive thread: the socket failed and the thread has ended by itself. The
// window learns it behind the datagrams already handed over. News of a
// server that has been stopped or started again since is not this server's.
void OnUdpServerEnded(int port, const CallError& why) {
    loggerDialog* dialog = theDialog;
    if (dialog == nullptr) return;
    const FailureText text = DescribeUdpStop(port, why);
    dialog->udpHandoff.PushStep([dialog, text] {
        if (dialog->udpHandoff.DeliveringStale()) return;
        ReportUdpFailure(*dialog, text, "stopped");
        dialog->udpServer.Stop();  // joins the ended thread and frees the port
        dialog->ShowUdpState();
    });
}

}  // namespace

void loggerDialog::OnUdpStart(wxCommandEvent&) {
    const std::string text(ID_TEXTCTRL47->GetValue().utf8_str());
    // Only a real port number is bound: a text that is not one must not
    // become a random port or another number's low 16 bits.
    const std::optional<int> port = ReadUdpPort(text);
    if (!port) {
        ReportUdpFailure(*this, DescribeInvalidUdpPort(text));
        return;
    }
    // A thread of an earlier start may wait for room in the hand-over, which
    // only this thread makes: let it go before the server joins it.
    udpHandoff.Cancel();
    udpServer.Stop();
    udpHandoff.Resume();
    udpServer.SetEndCallback(OnUdpServerEnded);
    if (udpServer.Start(*port) != 0)
        ReportUdpFailure(*this, DescribeUdpFailure(*port, udpServer.LastStartError()));
    else
        ShowReason(udpReason, wxEmptyString);
    ShowUdpState();
}

void loggerDialog::OnUdpStop(wxCommandEvent&) {
    udpHandoff.Cancel();
    udpServer.Stop();
    udpHandoff.Resume();
    ShowUdpState();
}

void loggerDialog::ShowUdpState() {
    const bool listening = udpServer.IsListening();
    ID_BUTTON22->Enable(!listening);
    ID_TEXTCTRL47->Enable(!listening);
    ID_BUTTON23->Enable(listening);
    const wxString state = listening
                               ? wxString::Format("Listening on UDP port %d", udpServer.BoundPort())
                               : wxString("Stopped");
    udpState->SetLabel(state);
    SetAccessibleName(udpState, state);
    Layout();
}

void loggerDialog::ProcessDatagram(const char* data, int count) {
    if (count <= 0) return;
    DatagramDisplay display(*this);
    AssembleDatagram(udpMessage, data, count, display);
}

int OnDatagram(const char* data, int count) {
    // Receive thread: the bytes go to the GUI thread, nothing else happens here.
    loggerDialog* dialog = theDialog;
    if (dialog != nullptr && count > 0) dialog->udpHandoff.Push(data, count);
    return 0;
}
