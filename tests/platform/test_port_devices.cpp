// The Linux look-ups behind PortDevices.h on trees of the test's own: the
// ports of a made-up sysfs and /dev, the holders of a port in a made-up /proc,
// and the group of a real node.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "platform/linux/PortDevicesUnder.h"

namespace {

// One line per device, sorted: the system gives them in no order.
std::vector<std::string> Lines(std::vector<SerialDevice> devices, const std::string& root) {
    std::vector<std::string> lines;
    for (SerialDevice& device : devices) {
        std::sort(device.links.begin(), device.links.end());
        std::string line = device.path.substr(root.size()) + " | " + device.product + " | " +
                           device.manufacturer + " | " + device.serial;
        for (const std::string& link : device.links) line += " | " + link.substr(root.size());
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// A made-up sysfs and /dev: an Arduino on ACM (with a by-id link), a USB
// serial adapter without a serial number, a real on-board UART, a legacy UART
// slot with nothing behind it and a virtual terminal.
class FakeSysfs : public testing::Test {
  protected:
    void SetUp() override {
        const std::string usb = "sys/devices/pci0/usb1";
        root_.Folder("dev");
        root_.Write(usb + "/1-1/idVendor", "2341\n");
        root_.Write(usb + "/1-1/product", "Arduino Mega 2560\n");
        root_.Write(usb + "/1-1/manufacturer", "Arduino (www.arduino.cc)\n");
        root_.Write(usb + "/1-1/serial", "8543\n");
        root_.Link(root_.Folder("sys/bus/usb/drivers/cdc_acm"), usb + "/1-1/1-1:1.0/driver");
        Tty("ttyACM0", usb + "/1-1/1-1:1.0");

        root_.Write(usb + "/1-2/idVendor", "0403\n");
        root_.Write(usb + "/1-2/product", "FT232R USB UART\n");
        root_.Folder(usb + "/1-2/1-2:1.0/ttyUSB0");
        Tty("ttyUSB0", usb + "/1-2/1-2:1.0/ttyUSB0");

        root_.Folder("sys/devices/pnp0/00:01");
        Tty("ttyS4", "sys/devices/pnp0/00:01");
        root_.Link(root_.Folder("sys/bus/platform/drivers/serial8250"),
                   "sys/devices/platform/serial8250/driver");
        Tty("ttyS10", "sys/devices/platform/serial8250");  // its node answers no UART type
        root_.Folder("sys/class/tty/tty0");
        root_.Write("dev/tty0", "");

        root_.Link("../../ttyACM0", "dev/serial/by-id/usb-Arduino_Mega_8543-if00");
        root_.Link("../../ttyACM9", "dev/serial/by-id/usb-gone-if00");  // leads nowhere
    }

    void Tty(const std::string& name, const std::string& device) {
        root_.Link(root_ / device, "sys/class/tty/" + name + "/device");
        root_.Write("dev/" + name, "");
    }
    std::vector<std::string> Listed() const {
        return Lines(PortDevices::ListSerialDevicesUnder(root_ / "sys", root_ / "dev"),
                     root_.Path());
    }

    TempFolder root_;
};

TEST_F(FakeSysfs, PresentPortsComeWithTheirUsbStringsAndLinks) {
    EXPECT_EQ(Listed(), (std::vector<std::string>{
                            "/dev/ttyACM0 | Arduino Mega 2560 | Arduino (www.arduino.cc) | 8543 | "
                            "/dev/serial/by-id/usb-Arduino_Mega_8543-if00",
                            "/dev/ttyS4 |  |  | ",
                            "/dev/ttyUSB0 | FT232R USB UART |  | ",
                        }));
}

TEST_F(FakeSysfs, UnpluggedPortIsNoLongerListed) {
    std::filesystem::remove_all(root_ / "sys/class/tty/ttyACM0");
    std::filesystem::remove(root_ / "dev/ttyACM0");
    EXPECT_EQ(Listed(), (std::vector<std::string>{"/dev/ttyS4 |  |  | ",
                                                  "/dev/ttyUSB0 | FT232R USB UART |  | "}));
}

// A made-up /proc: process 123 holds a lock on the node, 77 has it open, 55
// has something else open; 9 is ModemManager without the port; 1000 is this
// process.
TEST(PortHolders, ComeFromDescriptorsAndLocks) {
    TempFolder proc;
    const std::string node = proc.Write("node", "");
    const std::string other = proc.Write("other", "");
    struct stat st;
    ASSERT_EQ(stat(node.c_str(), &st), 0);
    char lock[160];
    snprintf(lock, sizeof lock, "1: FLOCK  ADVISORY  WRITE 123 %02x:%02x:%llu 0 EOF\n",
             major(st.st_dev), minor(st.st_dev), static_cast<unsigned long long>(st.st_ino));
    proc.Write("locks", std::string("2: POSIX  ADVISORY  WRITE 5 00:01:1 0 EOF\n") + lock);
    const struct {
        const char* pid;
        const char* comm;
        std::string fd;  // what its descriptor 3 leads to; empty: none
    } processes[] = {{"123", "brltty\n", ""},
                     {"77", "minicom\n", node},
                     {"55", "bash\n", other},
                     {"9", "ModemManager\n", ""},
                     {"1000", "self\n", node}};
    for (const auto& p : processes) {
        proc.Write(std::string(p.pid) + "/comm", p.comm);
        proc.Folder(std::string(p.pid) + "/fd");
        if (!p.fd.empty()) proc.Link(p.fd, std::string(p.pid) + "/fd/3");
    }

    const std::vector<PortHolder> holders =
        PortDevices::FindPortHoldersUnder(node, proc.Path(), 1000);
    ASSERT_EQ(holders.size(), 2u);
    EXPECT_EQ(holders[0].pid, 77);
    EXPECT_EQ(holders[0].name, "minicom");
    EXPECT_EQ(holders[1].pid, 123);
    EXPECT_EQ(holders[1].name, "brltty");
    EXPECT_TRUE(PortDevices::FindPortHoldersUnder(proc / "missing", proc.Path(), 1000).empty());
    EXPECT_EQ(PortDevices::RunningProgramsUnder({"brltty", "ModemManager", "picocom"}, proc.Path()),
              (std::vector<std::string>{"ModemManager", "brltty"}));
}

TEST(NodeGroup, IsReadFromTheNode) {
    TempFolder folder;
    // A character device node like the board's where this process may make one.
    const std::string node = folder / "ttyACM0";
    if (mknod(node.c_str(), S_IFCHR | 0660, makedev(1, 3)) != 0) folder.Write("ttyACM0", "");
    // dialout where this process may hand the file to it, else its own group.
    const group* dialout = getgrnam("dialout");
    const gid_t gid = geteuid() == 0 && dialout != nullptr ? dialout->gr_gid : getegid();
    ASSERT_EQ(chown(node.c_str(), static_cast<uid_t>(-1), gid), 0);
    const group* expected = getgrgid(gid);
    ASSERT_NE(expected, nullptr);
    EXPECT_EQ(PortDevices::NodeGroup(node), expected->gr_name);
    EXPECT_EQ(PortDevices::NodeGroup(folder / "missing"), "");
}

}  // namespace
