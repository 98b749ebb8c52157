#include "serial/PortFailure.h"

#include <dirent.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

constexpr const char* kModemManager = "ModemManager";
constexpr const char* kBrltty = "brltty";

bool IsPid(const char* name) {
    if (*name == '\0') return false;
    for (const char* c = name; *c != '\0'; ++c)
        if (*c < '0' || *c > '9') return false;
    return true;
}

std::string CommandName(const std::string& procRoot, int pid) {
    std::ifstream comm(procRoot + "/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

// Two stat results name the same device: the same character device number,
// or else the same file.
bool SameDevice(const struct stat& a, const struct stat& b) {
    if (S_ISCHR(a.st_mode) && S_ISCHR(b.st_mode)) return a.st_rdev == b.st_rdev;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void AddHolder(std::vector<PortHolder>& holders, const std::string& procRoot, int pid) {
    for (const PortHolder& h : holders)
        if (h.pid == pid) return;
    holders.push_back({pid, CommandName(procRoot, pid)});
}

// /locks lines read "1: FLOCK  ADVISORY  WRITE 812 00:05:123 0 EOF": the
// holder's pid, then the node as major:minor (hexadecimal) of its file system
// and its inode number. This file is readable by everyone, unlike the
// descriptors of another user's process.
void AddLockHolders(std::vector<PortHolder>& holders, const std::string& procRoot,
                    const struct stat& node, int ownPid) {
    std::ifstream locks(procRoot + "/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string slot, kind, mode, access, pidText, where;
        if (!(fields >> slot >> kind)) continue;
        if (kind == "->") fields >> kind;  // a waiter's line
        if (!(fields >> mode >> access >> pidText >> where)) continue;
        unsigned major = 0, minor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(where.c_str(), "%x:%x:%llu", &major, &minor, &inode) != 3) continue;
        if (major != major(node.st_dev) || minor != minor(node.st_dev) || inode != node.st_ino)
            continue;
        const int pid = std::atoi(pidText.c_str());
        if (pid > 0 && pid != ownPid) AddHolder(holders, procRoot, pid);
    }
}

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
    switch (ClassifyPortFailure(error)) {
        case PortFailureKind::Permission:
            text.summary = "No permission to open " + path + ".";
            text.hint = PermissionHint(path, facts.group);
            break;
        case PortFailureKind::Busy:
            text.summary = path + " is in use by another program.";
            text.hint = BusyHint(path, facts);
            break;
        case PortFailureKind::Missing:
            text.summary = "There is no device " + path + ".";
            text.hint =
                "The board is not plugged in, or the name is wrong: press \"Refresh list\" and "
                "pick the port from the list.";
            break;
        case PortFailureKind::NotSerial:
            text.summary = path + " is not a serial port.";
            break;
        case PortFailureKind::Other:
        case PortFailureKind::None:
            text.summary = path + " could not be opened: " + SystemErrorText(error.error) + ".";
            break;
    }
    return text;
}

std::string NodeGroup(const std::string& path) {
    struct stat node;
    if (stat(path.c_str(), &node) != 0) return "";
    long size = sysconf(_SC_GETGR_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 4096);
    for (;;) {
        group entry;
        group* found = nullptr;
        const int r = getgrgid_r(node.st_gid, &entry, buffer.data(), buffer.size(), &found);
        if (r == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (r != 0 || found == nullptr) return "";
        return found->gr_name;
    }
}

std::vector<PortHolder> FindPortHolders(const std::string& path, const std::string& procRoot,
                                        int ownPid) {
    std::vector<PortHolder> holders;
    struct stat node;
    if (stat(path.c_str(), &node) != 0) return holders;
    if (DIR* processes = opendir(procRoot.c_str())) {
        while (dirent* process = readdir(processes)) {
            if (!IsPid(process->d_name)) continue;
            const int pid = std::atoi(process->d_name);
            if (pid == ownPid) continue;
            const std::string fdFolder = procRoot + "/" + process->d_name + "/fd";
            DIR* fds = opendir(fdFolder.c_str());
            if (fds == nullptr) continue;  // another user's process, or gone
            while (dirent* fd = readdir(fds)) {
                if (fd->d_name[0] == '.') continue;
                struct stat target;
                if (stat((fdFolder + "/" + fd->d_name).c_str(), &target) == 0 &&
                    SameDevice(node, target)) {
                    AddHolder(holders, procRoot, pid);
                    break;
                }
            }
            closedir(fds);
        }
        closedir(processes);
    }
    AddLockHolders(holders, procRoot, node, ownPid);
    std::sort(holders.begin(), holders.end(),
              [](const PortHolder& a, const PortHolder& b) { return a.pid < b.pid; });
    return holders;
}

std::vector<std::string> RunningPortGrabbers(const std::string& procRoot) {
    std::vector<std::string> running;
    DIR* processes = opendir(procRoot.c_str());
    if (processes == nullptr) return running;
    while (dirent* process = readdir(processes)) {
        if (!IsPid(process->d_name)) continue;
        const std::string name = CommandName(procRoot, std::atoi(process->d_name));
        if ((name == kModemManager || name == kBrltty) &&
            std::find(running.begin(), running.end(), name) == running.end())
            running.push_back(name);
    }
    closedir(processes);
    std::sort(running.begin(), running.end());
    return running;
}

PortFacts GatherPortFacts(const std::string& path, const PortOpenError& error) {
    PortFacts facts;
    switch (ClassifyPortFailure(error)) {
        case PortFailureKind::Permission:
            facts.group = NodeGroup(path);
            break;
        case PortFailureKind::Busy:
            facts.holders = FindPortHolders(path, "/proc", static_cast<int>(getpid()));
            facts.grabbers = RunningPortGrabbers("/proc");
            break;
        default:
            break;
    }
    return facts;
}
