#include "app/loggerApp.h"

#include <time.h>
#include <wx/cmdline.h>
#include <wx/iconbndl.h>
#include <wx/image.h>
#include <wx/msgout.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "BrantleVersion.h"
#include "app/Settings.h"
#include "console/ConsoleLog.h"
#include "ini/FieldText.h"
#include "platform/ProgramStart.h"
#include "platform/TimeSlice.h"
#include "platform/Toolkit.h"
#include "ui/loggerDialog.h"

namespace {
bool endedNormally = false;

// The name the desktop entry knows the windows by (its StartupWMClass and
// file name).
const char kDesktopId[] = "org.brantle.ConfigHelper";

std::string logPath;    // --log FILE (UTF-8); empty: the LogFile setting decides
std::string startPort;  // --port NAME (UTF-8); empty: none is opened at the start

// BRANTLE_STARTUP_TRACE=1 prints the stages of the start-up to standard
// error with the CPU time the process has used and the time since main;
// BRANTLE_STARTUP_TRACE=exit also ends the program once its window is first
// drawn, so that a profiler can count the work of one start-up.
const char* const startupTrace = std::getenv("BRANTLE_STARTUP_TRACE");

double Milliseconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

void TraceStartup(const char* stage) {
    if (startupTrace == nullptr) return;
    static const double mainEntered = Milliseconds(CLOCK_MONOTONIC);
    std::fprintf(stderr, "start-up: %-12s %6.1f ms CPU, %6.1f ms since main\n", stage,
                 Milliseconds(CLOCK_PROCESS_CPUTIME_ID),
                 Milliseconds(CLOCK_MONOTONIC) - mainEntered);
}

void TraceFirstDrawn() {
    TraceStartup("first drawn");
    if (std::strcmp(startupTrace, "exit") == 0) std::_Exit(0);
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
    TraceStartup("toolkit up");
    Toolkit::ReleaseDisplayCheck();
    wxInitAllImageHandlers();
    ConfigureToolkit();
    if (logPath.empty()) logPath = Utf8Text(ReadSetting("LogFile", wxEmptyString));
    std::unique_ptr<ConsoleLog> log;
    if (!logPath.empty()) log = std::make_unique<ConsoleLog>(logPath);
    {
        loggerDialog dialog(nullptr, wxID_ANY);
        dialog.SetIcons(Toolkit::ProgramIcons());
        TraceStartup("window built");
        if (startupTrace != nullptr) {
            Toolkit::OnFirstMapped(&dialog, [] { TraceStartup("mapped"); });
            Toolkit::OnFirstDrawn(&dialog, TraceFirstDrawn);
        }
        // The port is opened from the window's loop once it is on the
        // screen, as the user would open it there.
        if (!startPort.empty())
            Toolkit::OnFirstMapped(&dialog, [&dialog] {
                dialog.CallAfter([&dialog] { dialog.OpenPortNamed(startPort); });
            });
        SetTopWindow(&dialog);
        dialog.ShowModal();
        SetTopWindow(nullptr);
    }
    endedNormally = true;
    // No main loop of our own: the modal window was the whole program.
    return false;
}

bool loggerApp::EndedNormally() { return endedNormally; }

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    // Arguments are UTF-8 whatever the locale.
    std::vector<wxString> texts;
    for (const std::string& arg : args) texts.push_back(PieceText(arg));
    std::vector<wxChar*> argv;
    for (wxString& text : texts) argv.push_back(const_cast<wxChar*>(text.wc_str()));
    argv.push_back(nullptr);

    wxCmdLineParser parser(static_cast<int>(texts.size()), argv.data());
    parser.SetLogo("BRANTLE Config Helper " BRANTLE_VERSION_TEXT
                   ": composes the ini sections of a home-cockpit hub board and tries the "
                   "board out.");
    parser.AddSwitch("h", "help", "show this help and exit", wxCMD_LINE_OPTION_HELP);
    parser.AddSwitch("", "version", "print the version (" BRANTLE_VERSION_TEXT ") and exit");
    parser.AddOption("", "log", "append every console line, with its time, to FILE",
                     wxCMD_LINE_VAL_STRING);
    parser.AddOption("", "port", "open the board's port NAME at the start, as \"Open\" does",
                     wxCMD_LINE_VAL_STRING);
    parser.AddOption("", "display", "the X display to use", wxCMD_LINE_VAL_STRING);
    parser.SetSwitchChars("-");

    // Messages of the parser go to standard error, not to a window.
    wxMessageOutputStderr toStderr;
    wxMessageOutput* previous = wxMessageOutput::Set(&toStderr);
    const int parsed = parser.Parse(false);
    wxMessageOutput::Set(previous);

    CommandLine line;
    if (parsed == -1) {
        line.action = CommandLine::kHelp;
        line.text = Utf8Text(parser.GetUsageString());
    } else if (parsed != 0) {
        line.action = CommandLine::kError;
        line.text = "Try '" + (args.empty() ? std::string("brantle-config-helper") : args[0]) +
                    " --help' for more information.\n";
    } else if (parser.Found("version")) {
        line.action = CommandLine::kVersion;
        line.text = BRANTLE_VERSION_TEXT "\n";
    } else {
        wxString value;
        if (parser.Found("log", &value)) line.logPath = Utf8Text(value);
        if (parser.Found("display", &value)) line.display = Utf8Text(value);
        if (parser.Found("port", &value)) line.port = Utf8Text(value);
    }
    return line;
}

int RunBrantle(int argc, char** argv) {
    TraceStartup("main");
    // A window program on Windows has no console of its own: its output goes
    // to the one it was started from.
    UseStartingConsole();
    const CommandLine line = ParseCommandLine(ProgramArguments(argc, argv));
    switch (line.action) {
        case CommandLine::kHelp:
        case CommandLine::kVersion:
            std::fputs(line.text.c_str(), stdout);
            return 0;
        case CommandLine::kError:
            std::fputs(line.text.c_str(), stderr);
            return 2;
        case CommandLine::kRun:
            break;
    }
    logPath = line.logPath;
    startPort = line.port;
    // Without a display the toolkit would abort deep inside its start-up:
    // one is opened for a try first (GTK itself is started by the toolkit,
    // which wants to start it its own way).
    if (!Toolkit::DisplayReachable(line.display)) {
        std::fprintf(stderr,
                     "%s: cannot open the display: no X server (or Wayland compositor) can be "
                     "reached; is DISPLAY set?\n",
                     argc > 0 ? argv[0] : "brantle-config-helper");
        return 1;
    }

    // The windows' class and name are the desktop entry's.
    std::vector<std::string> options = Toolkit::PrepareStart(kDesktopId);
    const int first = argc > 0 ? 1 : 0;  // after the program's own name
    std::vector<char*> args(argv, argv + first);
    for (std::string& option : options) args.push_back(option.data());
    args.insert(args.end(), argv + first, argv + argc);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);

    wxApp::SetInstance(new loggerApp);
    const int status = wxEntry(count, args.data());
    Toolkit::ReleaseDisplayCheck();  // when the toolkit never got as far as OnInit
    // The toolkit reports a failure whenever OnInit returns false; a window
    // that ran and was closed is a normal end.
    return loggerApp::EndedNormally() ? 0 : (status == 0 ? 1 : status);
}
