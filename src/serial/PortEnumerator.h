// The serial ports present on this computer, for the port box of the Device
// panel: USB ACM boards, USB serial adapters and the on-board UARTs that
// really exist, as device paths such as /dev/ttyACM0.
#pragma once

#include <string>
#include <vector>

namespace PortEnumerator {

// Every present port's device path, in natural order, each once. Empty when
// the system cannot be asked.
std::vector<std::string> ListPorts();

// Natural order of names: runs of digits compare by their number, so ttyACM2
// comes before ttyACM10 and ttyS9 before ttyUSB0 stays alphabetical.
bool NaturalLess(const std::string& a, const std::string& b);

// Sorts the names naturally and drops repeated ones.
void SortNaturally(std::vector<std::string>& names);

}  // namespace PortEnumerator
