// The floor of start-up and memory: an empty dialog, started as the program
// starts (the same toolkit and build, the same environment set in-process).
//
//   floor_dialog             the empty dialog
//   floor_dialog --controls  a dialog holding as many controls of each kind
//                            as the program's window (a notebook of five
//                            pages of labelled fields, buttons, check boxes,
//                            choices and two grids), without any of its
//                            logic: the floor for a window that must have
//                            all of them from the start
//   floor_dialog --controls --port PATH
//                            the same, and it opens PATH as a raw line and
//                            shows each line read in its first text field,
//                            read and shown by the toolkit's own loop with
//                            the short time slice the program asks for too,
//                            and sends the board's detect request "{DET}"
//                            every 200 ms as the program does (the answers
//                            are read and left unshown): the floor of idle
//                            CPU and of write-to-screen latency for a window
//                            with all those controls
//
// BRANTLE_STARTUP_TRACE=exit ends it once its window is first drawn, as it
// ends the program, so that a profiler counts the same span of both.
#include <fcntl.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <termios.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/grid.h>
#include <wx/notebook.h>
#include <wx/radiobox.h>
#include <wx/statline.h>
#include <wx/wx.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/TimeSlice.h"

namespace {

bool withControls = false;
const char* portPath = nullptr;
wxTextCtrl* echoField = nullptr;  // the first text field
std::string pending;              // bytes read after the last line end

// The program's window, counted by kind of control.
struct Counts {
    int labels = 117, texts = 67, buttons = 34, checks = 37, choices = 14, combos = 2, lines = 12;
};

void FillPage(wxWindow* page, int share, int pages) {
    const Counts all;
    auto part = [share, pages](int count) { return count / pages + (share < count % pages); };
    auto* grid = new wxFlexGridSizer(4, 4, 4);
    for (int i = 0; i < part(all.labels); ++i)
        grid->Add(new wxStaticText(page, wxID_ANY, wxString::Format("Label %d", i)));
    for (int i = 0; i < part(all.texts); ++i) {
        auto* field = new wxTextCtrl(page, wxID_ANY, "0");
        if (echoField == nullptr) echoField = field;
        grid->Add(field);
    }
    for (int i = 0; i < part(all.buttons); ++i)
        grid->Add(new wxButton(page, wxID_ANY, wxString::Format("Button %d", i)));
    for (int i = 0; i < part(all.checks); ++i)
        grid->Add(new wxCheckBox(page, wxID_ANY, wxString::Format("Check %d", i)));
    const wxString items[] = {"first", "second", "third"};
    for (int i = 0; i < part(all.choices); ++i) {
        auto* choice = new wxChoice(page, wxID_ANY, wxDefaultPosition, wxDefaultSize, 3, items);
        choice->SetSelection(0);
        grid->Add(choice);
    }
    for (int i = 0; i < part(all.combos); ++i)
        grid->Add(new wxComboBox(page, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, 3, items));
    for (int i = 0; i < part(all.lines); ++i) grid->Add(new wxStaticLine(page), 0, wxEXPAND);
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(grid);
    if (share == 3 || share == 4) {  // the two output grids
        auto* table = new wxGrid(page, wxID_ANY);
        table->CreateGrid(share == 3 ? 16 : 7, share == 3 ? 8 : 10);
        column->Add(table);
    }
    if (share == 0) {
        const wxString modes[] = {"one", "two"};
        column->Add(
            new wxRadioBox(page, wxID_ANY, "Mode", wxDefaultPosition, wxDefaultSize, 2, modes));
        column->Add(new wxStaticBoxSizer(wxVERTICAL, page, "Box"));
    }
    page->SetSizer(column);
}

// Shows the last whole line read; the line stays open until the end. The
// board's answers carry no line end: what waits for one is kept short.
gboolean EchoLine(gint fd, GIOCondition, gpointer) {
    char buffer[512];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EAGAIN) return G_SOURCE_CONTINUE;
    if (n <= 0) return G_SOURCE_REMOVE;  // the line hung up
    pending.append(buffer, static_cast<std::size_t>(n));
    std::string line;
    bool whole = false;
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos; whole = true) {
        line.assign(pending, 0, end);
        pending.erase(0, end + 1);
    }
    if (pending.size() > 256) pending.erase(0, pending.size() - 256);
    if (!whole) return G_SOURCE_CONTINUE;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    echoField->ChangeValue(wxString::FromUTF8(line));
    return G_SOURCE_CONTINUE;
}

gboolean SendDetect(gpointer fd) {
    return write(GPOINTER_TO_INT(fd), "{DET}", 5) == 5 ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

void OpenEcho() {
    const int fd = open(portPath, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return;
    termios mode{};
    if (tcgetattr(fd, &mode) == 0) {
        cfmakeraw(&mode);
        tcsetattr(fd, TCSANOW, &mode);
    }
    g_unix_fd_add(fd, G_IO_IN, EchoLine, nullptr);
    g_timeout_add(200, SendDetect, GINT_TO_POINTER(fd));
}

gboolean ExitWhenDrawn(GtkWidget*, cairo_t*, gpointer) { _exit(0); }

}  // namespace

class FloorApp : public wxApp {
  public:
    bool OnInit() override {
        wxDialog dialog(nullptr, wxID_ANY, "floor");
        if (withControls) {
            auto* book = new wxNotebook(&dialog, wxID_ANY);
            const int pages = 5;
            for (int i = 0; i < pages; ++i) {
                auto* page = new wxPanel(book);
                book->AddPage(page, wxString::Format("Page %d", i));
                FillPage(page, i, pages);
            }
            auto* top = new wxBoxSizer(wxVERTICAL);
            top->Add(book, 1, wxEXPAND);
            dialog.SetSizerAndFit(top);
        }
        if (portPath != nullptr && echoField != nullptr) {
            RequestShortSlice();
            OpenEcho();
        }
        const char* trace = std::getenv("BRANTLE_STARTUP_TRACE");
        if (trace != nullptr && std::strcmp(trace, "exit") == 0)
            g_signal_connect(dialog.GetHandle(), "draw", G_CALLBACK(ExitWhenDrawn), nullptr);
        dialog.ShowModal();
        return false;
    }
};

int main(int argc, char** argv) {
    setenv("GDK_GL", "disable", 0);
    if (argc > 1 && std::strcmp(argv[1], "--controls") == 0) {
        withControls = true;
        --argc;
        ++argv;
    }
    if (withControls && argc > 2 && std::strcmp(argv[1], "--port") == 0) {
        portPath = argv[2];
        argc -= 2;
        argv += 2;
    }
    wxApp::SetInstance(new FloorApp);
    return wxEntry(argc, argv);
}
