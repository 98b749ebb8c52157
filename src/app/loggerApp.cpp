#include "app/loggerApp.h"

#include <wx/image.h>

#include "ui/loggerDialog.h"

namespace {
bool endedNormally = false;
}

bool loggerApp::OnInit() {
    wxInitAllImageHandlers();
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
    wxApp::SetInstance(new loggerApp);
    const int status = wxEntry(argc, argv);
    // The toolkit reports a failure whenever OnInit returns false; a window
    // that ran and was closed is a normal end.
    return loggerApp::EndedNormally() ? 0 : (status == 0 ? 1 : status);
}
