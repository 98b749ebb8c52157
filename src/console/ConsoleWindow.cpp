#include "console/ConsoleWindow.h"

#include <wx/settings.h>
#include <wx/sizer.h>

#include <algorithm>
#include <chrono>

namespace {

// The window is sized for this many columns and rows of text: room for the
// 133-character frames sent to the board.
constexpr int kColumns = 140;
constexpr int kRows = 30;

// Pending output kept for the window at most: more than the control keeps
// would be trimmed from it anyway.
constexpr std::size_t kPendingBytes = 8u << 20;

wxColour AttributeColour(int attribute) {
    const std::uint32_t rgb = ConsoleColourRgb(attribute);
    return wxColour((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// Diagnostic text is bytes: mostly ASCII, but a board or a datagram may put
// anything between the braces. Text that is not UTF-8 is shown byte for byte
// rather than vanishing.
wxString ToWx(const std::string& text) {
    wxString converted = wxString::FromUTF8(text.data(), text.size());
    if (converted.empty() && !text.empty())
        converted = wxString(text.data(), wxConvISO8859_1, text.size());
    return converted;
}

}  // namespace

ConsoleWindow::ConsoleWindow(wxWindow* parent)
    : wxFrame(parent, wxID_ANY, "Debug console", wxDefaultPosition, wxDefaultSize,
              wxDEFAULT_FRAME_STYLE, "DebugConsole"),
      pending_(kMaxLines, kPendingBytes),
      timer_(this) {
    // The toolkit ignores the close box of a window other than a dialog
    // while a modal dialog runs, and the main window always runs modally:
    // marked as a dialog's, the close box works.
    SetExtraStyle(GetExtraStyle() | wxTOPLEVEL_EX_DIALOG);
    SetBackgroundColour(*wxBLACK);
    text_ = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                           wxTE_MULTILINE | wxTE_READONLY | wxTE_RICH2 | wxTE_DONTWRAP,
                           wxDefaultValidator, "ConsoleText");
    text_->SetFont(wxFontInfo(10).Family(wxFONTFAMILY_TELETYPE));
    text_->SetBackgroundColour(*wxBLACK);
    text_->SetForegroundColour(AttributeColour(kColourNormal));
    text_->SetDefaultStyle(wxTextAttr(AttributeColour(kColourNormal), *wxBLACK));

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(text_, 1, wxEXPAND);
    SetSizer(sizer);
    const wxSize cell = text_->GetTextExtent("M");
    const wxSize screen(wxSystemSettings::GetMetric(wxSYS_SCREEN_X),
                        wxSystemSettings::GetMetric(wxSYS_SCREEN_Y));
    SetClientSize(std::min(cell.x * kColumns + 24, screen.x * 9 / 10),
                  std::min(cell.y * kRows + 24, screen.y * 8 / 10));

    Bind(wxEVT_TIMER, &ConsoleWindow::OnTimer, this, timer_.GetId());
    Bind(wxEVT_CLOSE_WINDOW, &ConsoleWindow::OnClose, this);

    // The lines printed before it opened (the kept history), then what is
    // printed while it is open.
    AddConsoleSinkWithHistory(this);
    attached_ = true;
    timer_.Start(kFlushMs);
}

ConsoleWindow::~ConsoleWindow() { Detach(); }

void ConsoleWindow::SetOnUserClose(std::function<void()> onUserClose) {
    onUserClose_ = std::move(onUserClose);
}

bool ConsoleWindow::Destroy() {
    closing_ = true;
    Detach();
    return wxFrame::Destroy();
}

void ConsoleWindow::Detach() {
    if (attached_) {
        RemoveConsoleSink(this);  // after this no thread reaches pending_
        attached_ = false;
    }
    timer_.Stop();
}

void ConsoleWindow::Write(const ConsoleSpan& span) { pending_.Add(span.colour, span.text); }

void ConsoleWindow::OnTimer(wxTimerEvent&) { FlushPending(); }

void ConsoleWindow::OnClose(wxCloseEvent&) {
    // The close box switches the console off as the button would.
    if (onUserClose_) onUserClose_();
    Destroy();
}

void ConsoleWindow::RemoveLeadingLines(std::size_t count) {
    count = std::min(count, shownLines_);
    if (count == 0) return;
    const long end = text_->XYToPosition(0, static_cast<long>(count));
    if (end <= 0) return;
    text_->Remove(0, end);
    shownLines_ -= count;
}

void ConsoleWindow::FlushPending() {
    // In chunks and for a bounded time per tick: the text control's cost
    // grows with every line, so a full pending buffer shown at once would
    // stall the window. What
    // is left waits for the next tick (and its oldest lines are dropped if
    // the flood goes on).
    const auto start = std::chrono::steady_clock::now();
    bool shown = false;
    do {
        std::vector<ConsoleSpan> runs = pending_.Take(kChunkLines);
        if (runs.empty()) break;
        Append(runs);
        shown = true;
    } while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(kFlushBudgetMs));
    if (shown) text_->ShowPosition(text_->GetLastPosition());
    // A backlog is worked off at a quicker pace; the events between two
    // steps keep the window responsive.
    const int interval = pending_.PendingBytes() > 0 ? kBacklogMs : kFlushMs;
    if (attached_ && timer_.GetInterval() != interval) timer_.Start(interval);
}

void ConsoleWindow::Append(const std::vector<ConsoleSpan>& runs) {
    std::size_t incoming = 0;
    for (const ConsoleSpan& run : runs) incoming += CountLineEnds(run.text);
    // Lines the batch pushes out go before it is added, so the control never
    // holds more than it keeps.
    if (shownLines_ + incoming > kMaxLines) RemoveLeadingLines(shownLines_ + incoming - kMaxLines);

    for (const ConsoleSpan& run : runs) {
        text_->SetDefaultStyle(wxTextAttr(AttributeColour(run.colour), *wxBLACK));
        text_->AppendText(ToWx(run.text));
    }
    shownLines_ += incoming;

    // Very long lines: the oldest go until the text fits, the newest stays.
    const auto chars = static_cast<std::size_t>(text_->GetLastPosition());
    long x = 0, y = 0;
    if (chars > kMaxChars && shownLines_ > 1 &&
        text_->PositionToXY(static_cast<long>(chars - kMaxChars), &x, &y))
        RemoveLeadingLines(std::min(static_cast<std::size_t>(y) + 1, shownLines_ - 1));
}
