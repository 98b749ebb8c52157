#include "console/SystemError.h"

std::string SystemErrorWithName(int error) {
    const std::string name = SystemErrorName(error);
    return name.empty() ? SystemErrorText(error) : SystemErrorText(error) + " (" + name + ")";
}

std::string FailureText::Line() const { return hint.empty() ? summary : summary + " " + hint; }
