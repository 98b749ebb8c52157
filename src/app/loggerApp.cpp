#include "app/loggerApp.h"

#include <wx/image.h>

#include <cstdlib>

#include "console/PromptWakeups.h"
#include "ui/loggerDialog.h"

namespace {
bool endedNormally = false;
}

void ConfigureToolkit() {
    // The toolkit offers an idle event and an update-UI event to every one of
    // the window's ~300 controls each time its loop goes idle, which the poll
    // timer makes happen up to 50 times a second; no control of ours handles
    // either event, and offering them was over a third of the program's CPU
    // use while idle.
    wxIdleEvent::SetMode(wxIDLE_PROCESS_SPECIFIED);
    wxUpdateUIEvent::SetMode(wxUPDATE_UI_PROCESS_SPECIFIED);
    // The GUI thread shows what arrives at once, also on a busy machine.
    RequestShortSlice();
}

bool loggerApp::OnInit() {
    wxInitAllImageHandlers();
    ConfigureToolkit();
    {
        loggerDialog dialog(nullptr, wxID_ANY);
        SetTopWindow(&dialog);
        dialog.ShowModal();
        SetTopWindow(nullptr);
    }
    endedNormally = true;
    // No main loop of our own: the modal window was the whole program.
    return false;
}

bool loggerApp::EndedNormally() { return endedNormally; }

int RunBrantle(int argc, char** argv) {
    // Nothing here draws with OpenGL, yet GTK probes it when it opens the
    // display, which loads Mesa's drivers and LLVM: half of the resident
    // memory and a good part of the start-up. A GDK_GL given by the user
    // stands.
    setenv("GDK_GL", "disable", 0);
    wxApp::SetInstance(new loggerApp);
    const int status = wxEntry(argc, argv);
    // The toolkit reports a failure whenever OnInit returns false; a window
    // that ran and was closed is a normal end.
    return loggerApp::EndedNormally() ? 0 : (status == 0 ? 1 : status);
}
