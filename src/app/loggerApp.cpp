#include "app/loggerApp.h"

#include <glib.h>
#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/image.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "console/PromptWakeups.h"
#include "ui/loggerDialog.h"

extern const unsigned char kAppIconPng[];  // data/org.brantle.ConfigHelper.png
extern const std::size_t kAppIconPngSize;

namespace {
bool endedNormally = false;

// The name the desktop entry knows the windows by (its StartupWMClass and
// file name).
const char kDesktopId[] = "org.brantle.ConfigHelper";

wxIcon AppIcon() {
    wxIcon icon;
    icon.CopyFromBitmap(wxBitmap::NewFromPNGData(kAppIconPng, kAppIconPngSize));
    return icon;
}
}  // namespace

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
        dialog.SetIcon(AppIcon());
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
    // The windows' X class and name are the desktop entry's. The toolkit
    // takes the class from its --class option only (set later, it is not
    // used), so it is given one unless the command line has its own.
    g_set_prgname(kDesktopId);
    std::string classOption = std::string("--class=") + kDesktopId;
    std::vector<char*> args(argv, argv + argc);
    const bool ownClass = std::any_of(args.begin(), args.end(), [](const char* arg) {
        return std::strncmp(arg, "--class", 7) == 0;
    });
    if (!ownClass) args.insert(args.begin() + (argc > 0 ? 1 : 0), classOption.data());
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);

    // Nothing here draws with OpenGL, yet GTK probes it when it opens the
    // display, which loads Mesa's drivers and LLVM: half of the resident
    // memory and a good part of the start-up. A GDK_GL given by the user
    // stands.
    setenv("GDK_GL", "disable", 0);
    wxApp::SetInstance(new loggerApp);
    const int status = wxEntry(count, args.data());
    // The toolkit reports a failure whenever OnInit returns false; a window
    // that ran and was closed is a normal end.
    return loggerApp::EndedNormally() ? 0 : (status == 0 ? 1 : status);
}
