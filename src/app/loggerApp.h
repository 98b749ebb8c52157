// The application object: builds the one main window and runs it modally.
#pragma once

#include <wx/app.h>

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

// The process entry's body: runs the toolkit and returns the exit status.
int RunBrantle(int argc, char** argv);
