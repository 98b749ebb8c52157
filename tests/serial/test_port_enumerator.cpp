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
// in natural order, each once, and asking twice gives the same answer.
TEST(PortEnumerator, ListsDevicePathsInNaturalOrder) {
    std::vector<std::string> ports = PortEnumerator::ListPorts();
    for (const std::string& p : ports) EXPECT_EQ(p.rfind("/dev/", 0), 0u) << p;
    EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end(), PortEnumerator::NaturalLess));
    EXPECT_EQ(std::adjacent_find(ports.begin(), ports.end()), ports.end());
    EXPECT_EQ(PortEnumerator::ListPorts(), ports);
}

}  // namespace
