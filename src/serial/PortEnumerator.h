// The serial ports present on this computer, for the port box of the Device
// panel: USB ACM boards, USB serial adapters and the on-board UARTs that
// really exist, as device paths such as /dev/ttyACM0, each with what it is
// ("Arduino Mega 2560"), and the stable /dev/serial/by-id names of USB ports.
//
// The system is asked through platform/PortDevices.h; what is kept here is
// how the answer is put in order and named, over plain records.
#pragma once

#include <string>
#include <vector>

#include "platform/PortDevices.h"

namespace PortEnumerator {

struct Port {
    std::string path;  // /dev/ttyACM0, or a /dev/serial/by-id/... link
    std::string
        description;  // "Arduino Mega 2560, Arduino (www.arduino.cc), serial 8543"; may be empty
};

// Every present port in natural order, each device node followed by its
// by-id links. Empty when the system cannot be asked.
std::vector<Port> ListPorts();

// The same for the ports the system told of: each device (in natural order
// of its path) followed by its links (in natural order), all described as the
// device is.
std::vector<Port> ListPorts(std::vector<SerialDevice> devices);

// The port box's entry: the path, then " — " and the description when there
// is one.
std::string EntryText(const Port& port);

// The path an entry (or a typed name) stands for: the text before " — ".
std::string PathOfEntry(const std::string& entry);

// "Product, Manufacturer, serial N", leaving out the parts that are empty.
std::string Describe(const std::string& product, const std::string& manufacturer,
                     const std::string& serial);

// Natural order of names: runs of digits compare by their number, so ttyACM2
// comes before ttyACM10 and ttyS9 before ttyUSB0 stays alphabetical.
bool NaturalLess(const std::string& a, const std::string& b);

// Sorts the names naturally and drops repeated ones.
void SortNaturally(std::vector<std::string>& names);

}  // namespace PortEnumerator
