#include "platform/PortDevices.h"

#include <windows.h>
// (after windows.h)
#include <setupapi.h>

#include <algorithm>

#include "platform/windows/Win32Text.h"

namespace {

// The device class of COM and LPT ports (devguid.h's GUID_DEVCLASS_PORTS).
const GUID kPortsClass = {
    0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// A REG_SZ value; empty when there is none.
std::string RegistryText(HKEY key, const wchar_t* value) {
    wchar_t buffer[512];
    DWORD type = 0;
    DWORD size = sizeof buffer - sizeof(wchar_t);
    if (RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return "";
    buffer[size / sizeof(wchar_t)] = L'\0';
    return Utf8(buffer);
}

std::string DeviceProperty(HDEVINFO set, SP_DEVINFO_DATA& info, DWORD property) {
    wchar_t buffer[512];
    DWORD type = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set, &info, property, &type,
                                           reinterpret_cast<BYTE*>(buffer),
                                           sizeof buffer - sizeof(wchar_t), nullptr) ||
        type != REG_SZ)
        return "";
    buffer[511] = L'\0';
    return Utf8(buffer);
}

// The serial number of a USB device is the last part of its instance id
// (USB\VID_2341&PID_0042\8543...); a device without one gets an id made up
// by Windows, which has "&" in it.
std::string UsbSerial(HDEVINFO set, SP_DEVINFO_DATA& info) {
    wchar_t id[512];
    if (!SetupDiGetDeviceInstanceIdW(set, &info, id, 512, nullptr)) return "";
    const std::wstring text = id;
    if (text.rfind(L"USB\\", 0) != 0) return "";
    const std::wstring last = text.substr(text.rfind(L'\\') + 1);
    return last.find(L'&') == std::wstring::npos ? Utf8(last) : "";
}

bool IsPrinterPort(const std::string& name) {
    return name.size() >= 3 && (name[0] == 'L' || name[0] == 'l') &&
           (name[1] == 'P' || name[1] == 'p') && (name[2] == 'T' || name[2] == 't');
}

void AddPlugAndPlayPorts(std::vector<SerialDevice>& devices) {
    const HDEVINFO set = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &info); ++i) {
        const HKEY key =
            SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
        if (key == INVALID_HANDLE_VALUE) continue;
        SerialDevice device;
        device.path = RegistryText(key, L"PortName");
        RegCloseKey(key);
        if (device.path.empty() || IsPrinterPort(device.path)) continue;
        device.product = DeviceProperty(set, info, SPDRP_FRIENDLYNAME);
        device.manufacturer = DeviceProperty(set, info, SPDRP_MFG);
        device.serial = UsbSerial(set, info);
        devices.push_back(std::move(device));
    }
    SetupDiDestroyDeviceInfoList(set);
}

// The serial ports' own list, which every serial driver fills (and the only
// one Wine fills): value name the driver's device, data the port name.
void AddDeviceMapPorts(std::vector<SerialDevice>& devices) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
        return;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        wchar_t data[256];
        DWORD nameLength = 256;
        DWORD dataSize = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        const LONG r = RegEnumValueW(key, i, name, &nameLength, nullptr, &type,
                                     reinterpret_cast<BYTE*>(data), &dataSize);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS || type != REG_SZ) continue;
        data[dataSize / sizeof(wchar_t)] = L'\0';
        SerialDevice device;
        device.path = Utf8(data);
        const bool known = std::any_of(devices.begin(), devices.end(), [&](const SerialDevice& d) {
            return CompareStringOrdinal(Utf16(d.path).c_str(), -1, data, -1, TRUE) == CSTR_EQUAL;
        });
        if (!device.path.empty() && !known && !IsPrinterPort(device.path))
            devices.push_back(std::move(device));
    }
    RegCloseKey(key);
}

}  // namespace

namespace PortDevices {

std::vector<SerialDevice> ListSerialDevices() {
    std::vector<SerialDevice> devices;
    AddPlugAndPlayPorts(devices);
    AddDeviceMapPorts(devices);
    return devices;
}

// Windows has no group owning a port, and who holds a COM port cannot be
// asked without tools for administrators: the failure's hint says what
// usually holds one instead.
std::string NodeGroup(const std::string&) { return ""; }

std::vector<PortHolder> FindPortHolders(const std::string&) { return {}; }

std::vector<std::string> RunningPrograms(const std::vector<std::string>&) { return {}; }

}  // namespace PortDevices
