#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "serial/PortEnumerator.h"

namespace {

TEST(NaturalOrder, ComparesDigitRunsByNumber) {
    const struct {
        const char* a;
        const char* b;
        bool less;
    } cases[] = {
        {"/dev/ttyACM2", "/dev/ttyACM10", true},
        {"/dev/ttyACM10", "/dev/ttyACM2", false},
        {"/dev/ttyACM0", "/dev/ttyACM0", false},
        {"/dev/ttyS9", "/dev/ttyS10", true},
        {"/dev/ttyS9", "/dev/ttyUSB0", true},  // letters before numbers matter
        {"/dev/ttyUSB0", "/dev/ttyACM5", false},
        {"/dev/ttyACM", "/dev/ttyACM0", true},  // a prefix comes first
        {"/dev/ttyS01", "/dev/ttyS1", true},    // same number: plain order decides
        {"/dev/ttyS1", "/dev/ttyS01", false},
        {"/dev/ttyS002", "/dev/ttyS10", true},
        {"x99999999999999999999998", "x99999999999999999999999", true},  // no overflow
        {"x100000000000000000000000", "x99999999999999999999999", false},
        {"a1b2", "a1b10", true},
        {"", "a", true},
        {"a", "", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PortEnumerator::NaturalLess(c.a, c.b), c.less) << c.a << " < " << c.b;
    }
}

TEST(NaturalOrder, SortsAndDropsRepeats) {
    std::vector<std::string> names = {"/dev/ttyACM10", "/dev/ttyUSB1", "/dev/ttyACM2",
                                      "/dev/ttyS0",    "/dev/ttyACM2", "/dev/ttyACM0",
                                      "/dev/ttyUSB0",  "/dev/ttyS10",  "/dev/ttyS4"};
    PortEnumerator::SortNaturally(names);
    const std::vector<std::string> expected = {"/dev/ttyACM0", "/dev/ttyACM2", "/dev/ttyACM10",
                                               "/dev/ttyS0",   "/dev/ttyS4",   "/dev/ttyS10",
                                               "/dev/ttyUSB0", "/dev/ttyUSB1"};
    EXPECT_EQ(names, expected);
}

// What is listed depends on the machine; whatever it is comes as device paths
// in natural order, each once, and asking twice gives the same answer.
TEST(PortEnumerator, ListsDevicePathsInNaturalOrder) {
    std::vector<std::string> nodes;
    for (const auto& port : PortEnumerator::ListPorts()) {
        EXPECT_EQ(port.path.rfind("/dev/", 0), 0u) << port.path;
        if (port.path.rfind("/dev/serial/", 0) != 0) nodes.push_back(port.path);
    }
    EXPECT_TRUE(std::is_sorted(nodes.begin(), nodes.end(), PortEnumerator::NaturalLess));
    EXPECT_EQ(std::adjacent_find(nodes.begin(), nodes.end()), nodes.end());
    EXPECT_EQ(PortEnumerator::ListPorts().size(), PortEnumerator::ListPorts().size());
}

TEST(PortEnumerator, EntryTextAndPathOfEntry) {
    const struct {
        PortEnumerator::Port port;
        const char* entry;
    } cases[] = {
        {{"/dev/ttyACM0", "Arduino Mega 2560"}, "/dev/ttyACM0 \xE2\x80\x94 Arduino Mega 2560"},
        {{"/dev/ttyS0", ""}, "/dev/ttyS0"},
        {{"/dev/serial/by-id/usb-x-if00", "a, b"},
         "/dev/serial/by-id/usb-x-if00 \xE2\x80\x94 a, b"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PortEnumerator::EntryText(c.port), c.entry);
        EXPECT_EQ(PortEnumerator::PathOfEntry(c.entry), c.port.path);
    }
    EXPECT_EQ(PortEnumerator::PathOfEntry("/tmp/my board"), "/tmp/my board") << "typed names stay";
    EXPECT_EQ(PortEnumerator::PathOfEntry(""), "");
    EXPECT_EQ(PortEnumerator::Describe("P", "M", "S"), "P, M, serial S");
    EXPECT_EQ(PortEnumerator::Describe("", "M", ""), "M");
    EXPECT_EQ(PortEnumerator::Describe("P", "", "S"), "P, serial S");
    EXPECT_EQ(PortEnumerator::Describe("", "", ""), "");
}

// A made-up sysfs and /dev: an Arduino on ACM (with a by-id link), a USB
// serial adapter without a serial number, a real on-board UART, a legacy UART
// slot with nothing behind it and a virtual terminal.
class FakeSystem : public testing::Test {
  protected:
    void SetUp() override {
        char folder[] = "/tmp/brantle-ports-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        root_ = folder;
        roots_.sys = root_ + "/sys";
        roots_.dev = root_ + "/dev";
        const std::string usb = "/sys/devices/pci0/usb1";
        Folder("/dev");
        Folder(usb + "/1-1/1-1:1.0");
        Write(usb + "/1-1/idVendor", "2341\n");
        Write(usb + "/1-1/product", "Arduino Mega 2560\n");
        Write(usb + "/1-1/manufacturer", "Arduino (www.arduino.cc)\n");
        Write(usb + "/1-1/serial", "8543\n");
        Folder("/sys/bus/usb/drivers/cdc_acm");
        Link(root_ + "/sys/bus/usb/drivers/cdc_acm", usb + "/1-1/1-1:1.0/driver");
        Tty("ttyACM0", usb + "/1-1/1-1:1.0");

        Folder(usb + "/1-2/1-2:1.0/ttyUSB0");
        Write(usb + "/1-2/idVendor", "0403\n");
        Write(usb + "/1-2/product", "FT232R USB UART\n");
        Tty("ttyUSB0", usb + "/1-2/1-2:1.0/ttyUSB0");

        Folder("/sys/devices/pnp0/00:01");
        Tty("ttyS4", "/sys/devices/pnp0/00:01");
        Folder("/sys/devices/platform/serial8250");
        Folder("/sys/bus/platform/drivers/serial8250");
        Link(root_ + "/sys/bus/platform/drivers/serial8250",
             "/sys/devices/platform/serial8250/driver");
        Tty("ttyS10", "/sys/devices/platform/serial8250");
        Folder("/sys/class/tty/tty0");
        Write("/dev/tty0", "");

        Folder("/dev/serial/by-id");
        Link("../../ttyACM0", "/dev/serial/by-id/usb-Arduino_Mega_8543-if00");
        Link("../../ttyACM9", "/dev/serial/by-id/usb-gone-if00");  // leads nowhere
    }
    void TearDown() override { ASSERT_EQ(system(("rm -rf '" + root_ + "'").c_str()), 0); }

    void Folder(const std::string& path) {
        ASSERT_EQ(system(("mkdir -p '" + root_ + path + "'").c_str()), 0);
    }
    void Write(const std::string& path, const std::string& text) {
        std::ofstream(root_ + path) << text;
    }
    void Link(const std::string& target, const std::string& path) {
        ASSERT_EQ(symlink(target.c_str(), (root_ + path).c_str()), 0) << path;
    }
    void Tty(const std::string& name, const std::string& device) {
        Folder("/sys/class/tty/" + name);
        Link(root_ + device, "/sys/class/tty/" + name + "/device");
        Write("/dev/" + name, "");
    }

    std::string root_;
    PortEnumerator::SystemRoots roots_;
};

TEST_F(FakeSystem, ListsPresentPortsWithWhatTheyAreAndTheirByIdLinks) {
    std::vector<std::string> entries;
    for (const auto& port : PortEnumerator::ListPorts(roots_))
        entries.push_back(PortEnumerator::EntryText(port));
    const std::string dev = roots_.dev;
    const std::vector<std::string> expected = {
        dev + "/ttyACM0 \xE2\x80\x94 Arduino Mega 2560, Arduino (www.arduino.cc), serial 8543",
        dev +
            "/serial/by-id/usb-Arduino_Mega_8543-if00 \xE2\x80\x94 Arduino Mega 2560, Arduino "
            "(www.arduino.cc), serial 8543",
        dev + "/ttyS4",
        dev + "/ttyUSB0 \xE2\x80\x94 FT232R USB UART",
    };
    EXPECT_EQ(entries, expected);
}

TEST_F(FakeSystem, UnpluggedPortIsNoLongerListed) {
    ASSERT_EQ(system(("rm -rf '" + roots_.sys + "/class/tty/ttyACM0' '" + roots_.dev +
                      "/ttyACM0' '" + roots_.dev + "/serial/by-id/usb-Arduino_Mega_8543-if00'")
                         .c_str()),
              0);
    std::vector<std::string> paths;
    for (const auto& port : PortEnumerator::ListPorts(roots_)) paths.push_back(port.path);
    EXPECT_EQ(paths, (std::vector<std::string>{roots_.dev + "/ttyS4", roots_.dev + "/ttyUSB0"}));
}

}  // namespace
