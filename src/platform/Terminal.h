// Whether the program's standard output is a terminal, which shows colours.
#pragma once

// True when standard output is a terminal (that understands ANSI colour
// sequences), false for a pipe, a file or nothing.
bool StandardOutputIsTerminal();
