#include "platform/PortDevices.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>

#include "platform/linux/PortDevicesUnder.h"

namespace {

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (dirent* entry = readdir(dir))
        if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
    closedir(dir);
    return names;
}

bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// The path with every link resolved; empty when it leads nowhere.
std::string RealPath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

// A sysfs attribute without its line end; empty when there is none.
std::string ReadAttribute(const std::string& file) {
    std::ifstream in(file);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\r'))
        text.pop_back();
    return text;
}

std::string DriverOf(const std::string& device) {
    char target[PATH_MAX];
    const ssize_t n = readlink((device + "/driver").c_str(), target, sizeof target - 1);
    if (n <= 0) return std::string();
    target[n] = '\0';
    const char* slash = std::strrchr(target, '/');
    return slash != nullptr ? slash + 1 : target;
}

// The kernel makes a tty of every possible legacy 8250 UART, whether there is
// one or not; only a port that reports a UART type is real.
bool UartAnswers(const std::string& node) {
    const int fd = open(node.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    serial_struct info{};
    const bool real = ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    close(fd);
    return real;
}

// A tty with a device behind it (virtual terminals and pseudo-terminals
// have none).
bool IsPresentPort(const std::string& sysRoot, const std::string& devRoot,
                   const std::string& name) {
    const std::string device = sysRoot + "/class/tty/" + name + "/device";
    if (!Exists(device)) return false;
    if (DriverOf(device) == "serial8250") return UartAnswers(devRoot + "/" + name);
    return true;
}

// Product, manufacturer and serial number of the USB device the tty belongs
// to: the tty's device is a USB interface (ACM) or a port below one (USB
// serial adapters), so the USB device is one or two folders up.
void ReadUsbStrings(const std::string& sysRoot, const std::string& name, SerialDevice& device) {
    std::string folder = RealPath(sysRoot + "/class/tty/" + name + "/device");
    for (int up = 0; up < 3 && !folder.empty(); ++up) {
        if (Exists(folder + "/idVendor")) {
            device.product = ReadAttribute(folder + "/product");
            device.manufacturer = ReadAttribute(folder + "/manufacturer");
            device.serial = ReadAttribute(folder + "/serial");
            return;
        }
        folder = folder.substr(0, folder.rfind('/'));
    }
}

bool IsPid(const char* name) {
    if (*name == '\0') return false;
    for (const char* c = name; *c != '\0'; ++c)
        if (*c < '0' || *c > '9') return false;
    return true;
}

std::string CommandName(const std::string& procRoot, const std::string& pid) {
    std::ifstream comm(procRoot + "/" + pid + "/comm");
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
    holders.push_back({pid, CommandName(procRoot, std::to_string(pid))});
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

}  // namespace

namespace PortDevices {

std::vector<SerialDevice> ListSerialDevicesUnder(const std::string& sysRoot,
                                                 const std::string& devRoot) {
    // by-id links, by the node they lead to.
    const std::string byIdFolder = devRoot + "/serial/by-id";
    std::vector<std::pair<std::string, std::string>> linkTargets;  // (target, link)
    for (const std::string& link : FolderEntries(byIdFolder)) {
        std::string target = RealPath(byIdFolder + "/" + link);
        if (!target.empty()) linkTargets.emplace_back(std::move(target), byIdFolder + "/" + link);
    }

    std::vector<SerialDevice> devices;
    for (const std::string& name : FolderEntries(sysRoot + "/class/tty")) {
        if (!IsPresentPort(sysRoot, devRoot, name)) continue;
        SerialDevice device;
        device.path = devRoot + "/" + name;
        ReadUsbStrings(sysRoot, name, device);
        const std::string node = RealPath(device.path);
        if (!node.empty()) {
            for (const auto& [target, link] : linkTargets)
                if (target == node) device.links.push_back(link);
        }
        devices.push_back(std::move(device));
    }
    return devices;
}

std::vector<PortHolder> FindPortHoldersUnder(const std::string& path, const std::string& procRoot,
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

std::vector<std::string> RunningProgramsUnder(const std::vector<std::string>& programs,
                                              const std::string& procRoot) {
    std::vector<std::string> running;
    for (const std::string& process : FolderEntries(procRoot)) {
        if (!IsPid(process.c_str())) continue;
        const std::string name = CommandName(procRoot, process);
        if (std::find(programs.begin(), programs.end(), name) != programs.end() &&
            std::find(running.begin(), running.end(), name) == running.end())
            running.push_back(name);
    }
    std::sort(running.begin(), running.end());
    return running;
}

std::vector<SerialDevice> ListSerialDevices() { return ListSerialDevicesUnder("/sys", "/dev"); }

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

std::vector<PortHolder> FindPortHolders(const std::string& path) {
    return FindPortHoldersUnder(path, "/proc", static_cast<int>(getpid()));
}

std::vector<std::string> RunningPrograms(const std::vector<std::string>& programs) {
    return RunningProgramsUnder(programs, "/proc");
}

}  // namespace PortDevices
