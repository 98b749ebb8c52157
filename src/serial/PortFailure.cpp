#include "serial/PortFailure.h"

#include <cerrno>

namespace {

constexpr const char* kModemManager = "ModemManager";
constexpr const char* kBrltty = "brltty";

std::string HolderHint(const PortHolder& holder) {
    const std::string who = holder.name + " (pid " + std::to_string(holder.pid) + ")";
    if (holder.name == kModemManager)
        return who +
               " holds it. Stop it with: sudo systemctl stop ModemManager.service "
               "(the udev rule in the README keeps it away from the board for good).";
    if (holder.name == kBrltty)
        return who +
               " holds it. If you use no braille display, stop it with: sudo systemctl "
               "stop brltty-udev.service brltty.service (or remove it: sudo apt remove "
               "brltty).";
    return who + " holds it. Close the port in that program, or end it with: kill " +
           std::to_string(holder.pid);
}

std::string BusyHint(const std::string& path, const PortFacts& facts) {
    if (!facts.holders.empty()) return HolderHint(facts.holders.front());
    for (const std::string& grabber : facts.grabbers) {
        if (grabber == kModemManager)
            return "ModemManager is running and often takes new ports: sudo systemctl stop "
                   "ModemManager.service, then open again.";
        if (grabber == kBrltty)
            return "brltty is running and takes some USB serial ports: if you use no braille "
                   "display, sudo systemctl stop brltty-udev.service brltty.service, then open "
                   "again.";
    }
    return "Another program holds it (on desktop Linux usually ModemManager or brltty); see "
           "which with: sudo fuser -v " +
           path;
}

// Windows cannot tell who holds a COM port; those that take the board's port
// are the ones made for it.
constexpr const char* kWindowsBusyHint =
    "Most likely the hub board's own software or a serial monitor (such as the Arduino IDE's) "
    "has it open: close the port there or quit that program, then press \"Open\" again.";

// The name the user typed: a Windows device path without its \\.\ prefix.
std::string ShownName(const std::string& path, SystemAdvice advice) {
    const std::string prefix = "\\\\.\\";
    if (advice == SystemAdvice::Windows && path.rfind(prefix, 0) == 0)
        return path.substr(prefix.size());
    return path;
}

std::string PermissionHint(const std::string& path, const std::string& group) {
    if (group.empty() || group == "root")
        return "Only its owner may open it; a udev rule can give it to the group dialout (see "
               "the README).";
    return "You are not in the group \"" + group + "\" that owns " + path +
           ". Fix: sudo usermod -aG " + group + " $USER, then log out and in again.";
}

}  // namespace

PortFailureKind ClassifyPortFailure(const PortOpenError& error) {
    switch (error.error) {
        case 0:
            return PortFailureKind::None;
        case EACCES:
        case EPERM:
            return PortFailureKind::Permission;
        case EBUSY:
            return PortFailureKind::Busy;
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return PortFailureKind::Missing;
        case ENOTTY:
            return PortFailureKind::NotSerial;
        default:
            break;
    }
    // A lock that another opener holds.
    if (error.error == EWOULDBLOCK && error.call == "flock") return PortFailureKind::Busy;
    return PortFailureKind::Other;
}

FailureText DescribePortFailure(const std::string& path, const PortOpenError& error,
                                const PortFacts& facts) {
    FailureText text;
    if (error.error == 0) return text;
    text.reason = error.call + " " + path + ": " + SystemErrorWithName(error.error);
    const bool windows = facts.advice == SystemAdvice::Windows;
    const std::string name = ShownName(path, facts.advice);
    switch (ClassifyPortFailure(error)) {
        case PortFailureKind::Permission:
            text.summary = "No permission to open " + name + ".";
            // Windows has no groups of port users to join.
            if (!windows) text.hint = PermissionHint(path, facts.group);
            break;
        case PortFailureKind::Busy:
            text.summary = name + " is in use by another program.";
            text.hint = windows ? kWindowsBusyHint : BusyHint(path, facts);
            break;
        case PortFailureKind::Missing:
            text.summary = "There is no device " + name + ".";
            text.hint =
                "The board is not plugged in, or the name is wrong: press \"Refresh list\" and "
                "pick the port from the list.";
            break;
        case PortFailureKind::NotSerial:
            text.summary = name + " is not a serial port.";
            break;
        case PortFailureKind::Other:
        case PortFailureKind::None:
            text.summary = name + " could not be opened: " + SystemErrorText(error.error) + ".";
            break;
    }
    return text;
}

PortFacts GatherPortFacts(const std::string& path, const PortOpenError& error) {
    PortFacts facts;
    facts.advice = ThisSystemsAdvice();
    if (facts.advice == SystemAdvice::Windows) return facts;  // nothing more to ask there
    switch (ClassifyPortFailure(error)) {
        case PortFailureKind::Permission:
            facts.group = PortDevices::NodeGroup(path);
            break;
        case PortFailureKind::Busy:
            facts.holders = PortDevices::FindPortHolders(path);
            facts.grabbers = PortDevices::RunningPrograms({kModemManager, kBrltty});
            break;
        default:
            break;
    }
    return facts;
}
