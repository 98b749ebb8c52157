#include "platform/ProgramStart.h"

// clang-format off
#include <windows.h>
#include <io.h>
#include <shellapi.h>
// clang-format on

#include <cstdio>

#include "platform/windows/Win32Text.h"

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i) args.push_back(Utf8(wide[i]));
    LocalFree(wide);
    return args;
}

namespace {

// A standard handle that leads nowhere: none at all, or one of no known kind.
// A file or a pipe (redirected output) and a console are kept.
bool LeadsNowhere(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle == nullptr || handle == INVALID_HANDLE_VALUE ||
           GetFileType(handle) == FILE_TYPE_UNKNOWN;
}

// Points `stream` and the system's standard handle `which` at the console.
void ToConsole(FILE* stream, DWORD which) {
    if (std::freopen("CONOUT$", "w", stream) == nullptr) return;
    SetStdHandle(which, reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))));
}

}  // namespace

// The console of the process that started the program (a command prompt, a
// PowerShell window). The prompt does not wait for a window program: what it
// prints comes after the prompt, as with a program started in the background
// on Linux.
void UseStartingConsole() {
    const bool out = LeadsNowhere(STD_OUTPUT_HANDLE);
    const bool err = LeadsNowhere(STD_ERROR_HANDLE);
    if (!out && !err) return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;  // started from the desktop
    if (out) ToConsole(stdout, STD_OUTPUT_HANDLE);
    if (err) ToConsole(stderr, STD_ERROR_HANDLE);
}
