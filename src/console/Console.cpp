// Placeholder; replaced as the debug console is built.
#include "console/Console.h"
#include <cstdio>
void SetConsoleColour(int) {}
void ConsolePrintf(const char* format, ...) { va_list a; va_start(a, format); vprintf(format, a); va_end(a); }
void ConsolePrintColoured(int, int, const char* format, ...) { va_list a; va_start(a, format); vprintf(format, a); va_end(a); }
void AddConsoleSink(ConsoleSink*) {}
void RemoveConsoleSink(ConsoleSink*) {}
void SetConsoleStdout(bool) {}
