#include <gtest/gtest.h>

#include <algorithm>

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
// (port names on Windows) in natural order, each once, and asking twice gives
// the same answer.
TEST(PortEnumerator, ListsDevicePathsInNaturalOrder) {
#ifdef _WIN32
    const std::string prefix = "COM";
#else
    const std::string prefix = "/dev/";
#endif
    std::vector<std::string> nodes;
    for (const auto& port : PortEnumerator::ListPorts()) {
        EXPECT_EQ(port.path.rfind(prefix, 0), 0u) << port.path;
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

// The records come in no order; the list is in natural order of the nodes,
// each followed by its links in natural order, all described as the node.
TEST(PortEnumerator, OrdersTheSystemsRecordsAndDescribesTheLinksAsTheirNode) {
    std::vector<SerialDevice> devices(4);
    devices[0].path = "/dev/ttyUSB0";
    devices[0].product = "FT232R USB UART";
    devices[1].path = "/dev/ttyACM10";
    devices[2].path = "/dev/ttyACM2";
    devices[2].product = "Arduino Mega 2560";
    devices[2].manufacturer = "Arduino (www.arduino.cc)";
    devices[2].serial = "8543";
    devices[2].links = {"/dev/serial/by-id/usb-b-if10", "/dev/serial/by-id/usb-b-if2"};
    devices[3].path = "/dev/ttyS4";
    std::vector<std::string> entries;
    for (const auto& port : PortEnumerator::ListPorts(devices))
        entries.push_back(PortEnumerator::EntryText(port));
    const std::string arduino =
        " \xE2\x80\x94 Arduino Mega 2560, Arduino (www.arduino.cc), serial 8543";
    EXPECT_EQ(entries, (std::vector<std::string>{
                           "/dev/ttyACM2" + arduino,
                           "/dev/serial/by-id/usb-b-if2" + arduino,
                           "/dev/serial/by-id/usb-b-if10" + arduino,
                           "/dev/ttyACM10",
                           "/dev/ttyS4",
                           "/dev/ttyUSB0 \xE2\x80\x94 FT232R USB UART",
                       }));
    EXPECT_TRUE(PortEnumerator::ListPorts(std::vector<SerialDevice>()).empty());

    // Windows: friendly names end with the port's own name, and a generic
    // driver's maker is a placeholder in parentheses.
    devices = {{"COM10", "USB Serial Device (COM10)", "Microsoft", "", {}},
               {"COM9", "Arduino Mega 2560 (COM9)", "Arduino LLC (www.arduino.cc)", "", {}},
               {"COM1", "Communications Port (COM1)", "(Standard port types)", "", {}},
               {"COM3", "Port (COM30)", "", "", {}}};
    entries.clear();
    for (const auto& port : PortEnumerator::ListPorts(devices))
        entries.push_back(PortEnumerator::EntryText(port));
    EXPECT_EQ(entries, (std::vector<std::string>{
                           "COM1 \xE2\x80\x94 Communications Port",
                           "COM3 \xE2\x80\x94 Port (COM30)",
                           "COM9 \xE2\x80\x94 Arduino Mega 2560, Arduino LLC (www.arduino.cc)",
                           "COM10 \xE2\x80\x94 USB Serial Device, Microsoft",
                       }));
}

}  // namespace
