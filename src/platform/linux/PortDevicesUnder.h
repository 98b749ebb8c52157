// The Linux look-ups of PortDevices.h below roots that can be moved, so that
// tests can try them on a made-up sysfs, /dev or /proc of their own. The
// functions of PortDevices.h call these with the system's own roots.
#pragma once

#include <string>
#include <vector>

#include "platform/PortDevices.h"

namespace PortDevices {

// The ports read from sysfs the way libserialport reads them: a tty under
// `sysRoot`/class/tty with a device behind it (a legacy 8250 UART only when
// its node under `devRoot` answers as one), its USB strings from the USB
// device above it, and the links of `devRoot`/serial/by-id that lead to its
// node (a link that leads nowhere is left out).
std::vector<SerialDevice> ListSerialDevicesUnder(const std::string& sysRoot,
                                                 const std::string& devRoot);

// Processes under `procRoot` that have the device at `path` open or locked,
// leaving out `ownPid`: each /PID/fd/* whose target is the same device, and
// the holders of advisory locks on the node in /locks.
std::vector<PortHolder> FindPortHoldersUnder(const std::string& path, const std::string& procRoot,
                                             int ownPid);

// Those of `programs` that run under `procRoot` (by /PID/comm).
std::vector<std::string> RunningProgramsUnder(const std::vector<std::string>& programs,
                                              const std::string& procRoot);

}  // namespace PortDevices
