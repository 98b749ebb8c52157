#include "serial/PortEnumerator.h"

#include <algorithm>
#include <cstddef>
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

// Windows names a port "Arduino Mega 2560 (COM5)": the entry shows the port
// name already.
std::string WithoutOwnName(const std::string& product, const std::string& path) {
    const std::string suffix = " (" + path + ")";
    if (product.size() > suffix.size() &&
        product.compare(product.size() - suffix.size(), suffix.size(), suffix) == 0)
        return product.substr(0, product.size() - suffix.size());
    return product;
}

// Windows gives a maker in parentheses, "(Standard port types)", for a port
// whose driver names none.
std::string RealMaker(const std::string& manufacturer) {
    return manufacturer.rfind('(', 0) == 0 ? std::string() : manufacturer;
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

std::vector<Port> ListPorts() { return ListPorts(PortDevices::ListSerialDevices()); }

std::vector<Port> ListPorts(std::vector<SerialDevice> devices) {
    std::sort(devices.begin(), devices.end(), [](const SerialDevice& a, const SerialDevice& b) {
        return NaturalLess(a.path, b.path);
    });
    std::vector<Port> ports;
    for (SerialDevice& device : devices) {
        const std::string description = Describe(WithoutOwnName(device.product, device.path),
                                                 RealMaker(device.manufacturer), device.serial);
        ports.push_back({device.path, description});
        SortNaturally(device.links);
        for (const std::string& link : device.links) ports.push_back({link, description});
    }
    return ports;
}

}  // namespace PortEnumerator
