// What the program takes from the system before anything else: its command
// line, and a console for its output.
#pragma once

#include <string>
#include <vector>

// The command line as UTF-8 texts, the program's own name first. On Linux the
// arguments as given; on Windows the command line the program was started
// with (main's arguments there are in the system's legacy code page, which
// cannot hold every file name).
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Makes standard output and standard error reach the console the program was
// started from where they reach nothing: a window program on Windows gets no
// console of its own, so --help, --version and the console lines would be
// lost. A stream already sent to a file, a pipe or a console stays as it is;
// a program started without a console (from the desktop) keeps none. Nothing
// on Linux, where the streams are inherited as they are.
void UseStartingConsole();
