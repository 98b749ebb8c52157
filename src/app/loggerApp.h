// The application object: builds the one main window and runs it modally.
#pragma once

#include <wx/app.h>

#include <string>
#include <vector>

class loggerApp : public wxApp {
  public:
    bool OnInit() override;

    // True once the main window has run and closed normally, so the process
    // can report success although OnInit returns false.
    static bool EndedNormally();
};

// Toolkit settings the window relies on, made once before it is built (also
// by benchmarks that build the window without this application object).
void ConfigureToolkit();

// What the command line asks for. --help and --version print `text` to
// standard output and end with status 0; an unknown option or a missing
// value prints the parser's message and `text` (a hint) to standard error
// and ends with status 2.
struct CommandLine {
    enum Action { kRun, kHelp, kVersion, kError } action = kRun;
    std::string text;
    std::string logPath;  // --log FILE, UTF-8; empty when not given
    std::string display;  // --display NAME; empty when not given
    std::string port;     // --port NAME, UTF-8; empty when not given
};
CommandLine ParseCommandLine(const std::vector<std::string>& args);  // args[0]: the program

// The process entry's body: reads the command line, runs the toolkit and
// returns the exit status.
int RunBrantle(int argc, char** argv);
