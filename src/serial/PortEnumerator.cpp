#include "serial/PortEnumerator.h"

#include <libserialport.h>

#include <algorithm>
#include <cstddef>

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

std::vector<std::string> ListPorts() {
    std::vector<std::string> names;
    sp_port** ports = nullptr;
    if (sp_list_ports(&ports) != SP_OK || ports == nullptr) return names;
    for (sp_port** p = ports; *p != nullptr; ++p) {
        const char* name = sp_get_port_name(*p);
        if (name != nullptr && *name != '\0') names.emplace_back(name);
    }
    sp_free_port_list(ports);
    SortNaturally(names);
    return names;
}

}  // namespace PortEnumerator
