// What the system knows about its serial ports, as plain records: the ports
// that are present, and, for a port whose open failed, who owns its node and
// who else holds it. The rules that order and name the ports and that turn
// the facts into a reason for the user live in src/serial/ (PortEnumerator,
// PortFailure); these functions only ask.
//
//   ListSerialDevices   the present ports, each with its USB strings and links
//   NodeGroup           the group that owns a device node
//   FindPortHolders     the other processes that have a port open or locked
//   RunningPrograms     which of some named programs run now
//
// None of them fails loudly: what cannot be asked is left empty.
#pragma once

#include <string>
#include <vector>

// A serial port that is present, in no particular order.
struct SerialDevice {
    std::string path;  // what opens it, such as /dev/ttyACM0
    // The strings of the USB device the port belongs to; empty for a port
    // that is not on USB, and each one empty when the device has none.
    std::string product;
    std::string manufacturer;
    std::string serial;
    // Stable other names that lead to the same port (its /dev/serial/by-id
    // links), in no particular order.
    std::vector<std::string> links;
};

// A process that has a port open.
struct PortHolder {
    int pid = 0;
    std::string name;  // its command name
};

namespace PortDevices {

// Every present port: USB ACM boards and serial adapters, and the on-board
// UARTs that really exist (not every slot the kernel keeps for one).
std::vector<SerialDevice> ListSerialDevices();

// The name of the group that owns the device node at `path`; empty when the
// system has no such thing or it cannot be read.
std::string NodeGroup(const std::string& path);

// Processes other than this one that have the port at `path` open or hold a
// lock on it, by ascending pid; empty when none can be seen.
std::vector<PortHolder> FindPortHolders(const std::string& path);

// Those of `programs` (command names) that run now, each once, sorted.
std::vector<std::string> RunningPrograms(const std::vector<std::string>& programs);

}  // namespace PortDevices
