#include "serial/PortEnumerator.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Compares the digit runs a[i..iEnd) and b[j..jEnd) by value without
// converting them, so any length of run works. <0, 0 or >0.
int CompareNumbers(const std::string& a, size_t i, size_t iEnd, const std::string& b, size_t j,
                   size_t jEnd) {
    while (i < iEnd && a[i] == '0') ++i;
    while (j < jEnd && b[j] == '0') ++j;
    if (iEnd - i != jEnd - j) return iEnd - i < jEnd - j ? -1 : 1;
    for (; i < iEnd; ++i, ++j) {
        if (a[i] != b[j]) return a[i] < b[j] ? -1 : 1;
    }
    return 0;
}

// Between a port's path and what it is, in the port box.
const char kSeparator[] = " \xE2\x80\x94 ";  // " — "

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (dirent* entry = readdir(dir))
        if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
    closedir(dir);
    return names;
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
bool IsPresentPort(const PortEnumerator::SystemRoots& roots, const std::string& name) {
    const std::string device = roots.sys + "/class/tty/" + name + "/device";
    struct stat info;
    if (stat(device.c_str(), &info) != 0) return false;
    if (DriverOf(device) == "serial8250") return UartAnswers(roots.dev + "/" + name);
    return true;
}

// Product, manufacturer and serial number of the USB device the tty belongs
// to: the tty's device is a USB interface (ACM) or a port below one (USB
// serial adapters), so the USB device is one or two folders up.
std::string UsbDescription(const PortEnumerator::SystemRoots& roots, const std::string& name) {
    std::string folder = RealPath(roots.sys + "/class/tty/" + name + "/device");
    for (int up = 0; up < 3 && !folder.empty(); ++up) {
        struct stat info;
        if (stat((folder + "/idVendor").c_str(), &info) == 0) {
            return PortEnumerator::Describe(ReadAttribute(folder + "/product"),
                                            ReadAttribute(folder + "/manufacturer"),
                                            ReadAttribute(folder + "/serial"));
        }
        folder = folder.substr(0, folder.rfind('/'));
    }
    return std::string();
}

}  // namespace

namespace PortEnumerator {

bool NaturalLess(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            size_t iEnd = i, jEnd = j;
            while (iEnd < a.size() && IsDigit(a[iEnd])) ++iEnd;
            while (jEnd < b.size() && IsDigit(b[jEnd])) ++jEnd;
            int c = CompareNumbers(a, i, iEnd, b, j, jEnd);
            if (c != 0) return c < 0;
            i = iEnd;
            j = jEnd;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) return j < b.size();
    // Equal but for leading zeros ("ttyS01", "ttyS1"): the plain order keeps
    // the sort strict.
    return a < b;
}

void SortNaturally(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), NaturalLess);
    names.erase(std::unique(names.begin(), names.end()), names.end());
}

std::string Describe(const std::string& product, const std::string& manufacturer,
                     const std::string& serial) {
    std::string text;
    auto add = [&text](const std::string& part) {
        if (part.empty()) return;
        if (!text.empty()) text += ", ";
        text += part;
    };
    add(product);
    add(manufacturer);
    if (!serial.empty()) add("serial " + serial);
    return text;
}

std::string EntryText(const Port& port) {
    return port.description.empty() ? port.path : port.path + kSeparator + port.description;
}

std::string PathOfEntry(const std::string& entry) {
    const size_t cut = entry.find(kSeparator);
    return cut == std::string::npos ? entry : entry.substr(0, cut);
}

std::vector<Port> ListPorts(const SystemRoots& roots) {
    std::vector<std::string> names;
    for (const std::string& name : FolderEntries(roots.sys + "/class/tty"))
        if (IsPresentPort(roots, name)) names.push_back(roots.dev + "/" + name);
    SortNaturally(names);

    // by-id links, by the node they lead to.
    const std::string byIdFolder = roots.dev + "/serial/by-id";
    std::vector<std::string> links;
    for (const std::string& link : FolderEntries(byIdFolder))
        links.push_back(byIdFolder + "/" + link);
    SortNaturally(links);
    std::vector<std::pair<std::string, std::string>> linkTargets;  // (target, link)
    for (const std::string& link : links) {
        std::string target = RealPath(link);
        if (!target.empty()) linkTargets.emplace_back(std::move(target), link);
    }

    std::vector<Port> ports;
    for (const std::string& path : names) {
        const std::string name = path.substr(roots.dev.size() + 1);
        const std::string description = UsbDescription(roots, name);
        ports.push_back({path, description});
        const std::string node = RealPath(path);
        if (node.empty()) continue;
        for (const auto& [target, link] : linkTargets)
            if (target == node) ports.push_back({link, description});
    }
    return ports;
}

}  // namespace PortEnumerator
