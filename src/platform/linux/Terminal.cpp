#include "platform/Terminal.h"

#include <unistd.h>

#include <cstdio>

bool StandardOutputIsTerminal() { return isatty(fileno(stdout)) == 1; }
