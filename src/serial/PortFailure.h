// Why a serial port could not be opened, told so that the user knows what to
// do: the system's error text for the call that failed, and for the common
// cases (no permission, another program holds the port, no such device) a
// plain hint in the terms of the system at hand. The texts are plain functions of what the system
// told; the look-ups that gather it (group of the device node, processes
// that hold the port) are the system's, in platform/PortDevices.h.
#pragma once

#include <string>
#include <vector>

#include "console/SystemError.h"
#include "platform/PortDevices.h"

// The call of an open that failed ("open", "flock", "line settings", ...) and
// its error number; error 0 when the open succeeded or none was tried.
using PortOpenError = CallError;

// What the system tells about the port besides the error number.
struct PortFacts {
    std::string group;                  // group owning the device node, empty when unknown
    std::vector<PortHolder> holders;    // processes (other than this one) that hold the port
    std::vector<std::string> grabbers;  // programs known to take ports that are running
    SystemAdvice advice = SystemAdvice::Linux;  // whose terms the hint is in
};

// The kinds of failure that get a hint of their own.
enum class PortFailureKind { None, Permission, Busy, Missing, NotSerial, Other };
PortFailureKind ClassifyPortFailure(const PortOpenError& error);

FailureText DescribePortFailure(const std::string& path, const PortOpenError& error,
                                const PortFacts& facts);

// Gathers the facts the error needs from the running system: its kind of
// advice, the group for a permission error, the holders and grabbers for a
// busy port.
PortFacts GatherPortFacts(const std::string& path, const PortOpenError& error);
