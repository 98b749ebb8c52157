// What a failed open says, and the facts gathered for it from the running
// system (the look-ups themselves are tried in tests/platform/).
#include <grp.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "PortHolder.h"
#include "SerialTestSupport.h"
#include "TempFolder.h"
#include "serial/PortFailure.h"

namespace {

const char* kPort = "/dev/ttyACM0";
const char* kComPort = "\\\\.\\COM5";  // the rows with Windows() facts

PortFacts Holders(std::vector<PortHolder> holders, std::vector<std::string> grabbers = {}) {
    PortFacts facts;
    facts.holders = std::move(holders);
    facts.grabbers = std::move(grabbers);
    return facts;
}

PortFacts Group(const char* group) {
    PortFacts facts;
    facts.group = group;
    return facts;
}

PortFacts Windows() {
    PortFacts facts;
    facts.advice = SystemAdvice::Windows;
    return facts;
}

}  // namespace

TEST(PortFailureText, EachErrorSaysWhatIsWrongAndWhatToDo) {
    const struct {
        int error;
        const char* call;
        PortFacts facts;
        PortFailureKind kind;
        const char* summary;
        const char* hint;  // a piece of it; "" when there is none
    } cases[] = {
        {EACCES, "open", Group("dialout"), PortFailureKind::Permission,
         "No permission to open /dev/ttyACM0.",
         "not in the group \"dialout\" that owns /dev/ttyACM0. Fix: sudo usermod -aG dialout "
         "$USER, then log out and in again."},
        {EPERM, "open", Group("uucp"), PortFailureKind::Permission,
         "No permission to open /dev/ttyACM0.", "sudo usermod -aG uucp $USER"},
        {EACCES, "open", Group(""), PortFailureKind::Permission,
         "No permission to open /dev/ttyACM0.", "a udev rule can give it to the group dialout"},
        {EACCES, "open", Group("root"), PortFailureKind::Permission,
         "No permission to open /dev/ttyACM0.", "a udev rule"},
        {EBUSY, "open", Holders({{812, "ModemManager"}}), PortFailureKind::Busy,
         "/dev/ttyACM0 is in use by another program.",
         "ModemManager (pid 812) holds it. Stop it with: sudo systemctl stop "
         "ModemManager.service"},
        {EWOULDBLOCK, "flock", Holders({{90, "brltty"}}), PortFailureKind::Busy,
         "/dev/ttyACM0 is in use by another program.",
         "brltty (pid 90) holds it. If you use no braille display"},
        {EBUSY, "open", Holders({{4242, "minicom"}, {812, "ModemManager"}}), PortFailureKind::Busy,
         "/dev/ttyACM0 is in use by another program.",
         "minicom (pid 4242) holds it. Close the port in that program, or end it with: kill 4242"},
        {EBUSY, "open", Holders({}, {"ModemManager"}), PortFailureKind::Busy,
         "/dev/ttyACM0 is in use by another program.", "ModemManager is running"},
        {EBUSY, "open", Holders({}, {"brltty"}), PortFailureKind::Busy,
         "/dev/ttyACM0 is in use by another program.", "brltty is running"},
        {EBUSY, "open", PortFacts(), PortFailureKind::Busy,
         "/dev/ttyACM0 is in use by another program.",
         "usually ModemManager or brltty); see which with: sudo fuser -v /dev/ttyACM0"},
        {ENOENT, "open", PortFacts(), PortFailureKind::Missing, "There is no device /dev/ttyACM0.",
         "The board is not plugged in, or the name is wrong"},
        {ENODEV, "open", PortFacts(), PortFailureKind::Missing, "There is no device /dev/ttyACM0.",
         "not plugged in"},
        {ENXIO, "open", PortFacts(), PortFailureKind::Missing, "There is no device /dev/ttyACM0.",
         "not plugged in"},
        {ENOTTY, "line settings", PortFacts(), PortFailureKind::NotSerial,
         "/dev/ttyACM0 is not a serial port.", ""},
        {EWOULDBLOCK, "open", PortFacts(), PortFailureKind::Other,
         "/dev/ttyACM0 could not be opened: Resource temporarily unavailable.", ""},
        {EIO, "open", PortFacts(), PortFailureKind::Other,
         "/dev/ttyACM0 could not be opened: Input/output error.", ""},
        // Windows names no holders and has no groups; the port shows as typed.
        {EBUSY, "CreateFileW", Windows(), PortFailureKind::Busy,
         "COM5 is in use by another program.",
         "hub board's own software or a serial monitor (such as the Arduino IDE's) has it open: "
         "close the port there or quit that program, then press \"Open\" again."},
        {ENOENT, "CreateFileW", Windows(), PortFailureKind::Missing, "There is no device COM5.",
         "The board is not plugged in, or the name is wrong"},
        {EACCES, "CreateFileW", Windows(), PortFailureKind::Permission,
         "No permission to open COM5.", ""},
        {ENOTTY, "GetCommState", Windows(), PortFailureKind::NotSerial,
         "COM5 is not a serial port.", ""},
    };
    for (const auto& c : cases) {
        const PortOpenError error{c.error, c.call};
        EXPECT_EQ(ClassifyPortFailure(error), c.kind) << c.error;
        const char* path = c.facts.advice == SystemAdvice::Windows ? kComPort : kPort;
        const FailureText text = DescribePortFailure(path, error, c.facts);
        EXPECT_EQ(text.summary, c.summary) << c.error;
        if (*c.hint == '\0')
            EXPECT_EQ(text.hint, "") << c.error;
        else
            EXPECT_NE(text.hint.find(c.hint), std::string::npos) << c.error << ": " << text.hint;
    }
    EXPECT_EQ(DescribePortFailure(kPort, {EACCES, "open"}, PortFacts()).reason,
              "open /dev/ttyACM0: Permission denied (EACCES)");
    EXPECT_EQ(DescribePortFailure(kComPort, {EBUSY, "CreateFileW"}, Windows()).reason,
              "CreateFileW \\\\.\\COM5: Device or resource busy (EBUSY)");
    EXPECT_EQ(DescribePortFailure(kPort, {0, ""}, PortFacts()).Line(), "");
}

// The group is asked for a permission error only.
TEST(PortFailureLookup, GroupIsGatheredForAPermissionError) {
    TempFolder folder;
    const std::string node = folder.Write("ttyACM0", "");
    const group* own = getgrgid(getegid());
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(GatherPortFacts(node, {EACCES, "open"}).group, own->gr_name);
    EXPECT_EQ(GatherPortFacts(node, {ENOENT, "open"}).group, "");
    EXPECT_EQ(GatherPortFacts(node, {EBUSY, "open"}).group, "");
}

// The real system: a child that holds a pseudo-terminal under a grabber's name.
TEST(PortFailureLookup, ProcessHoldingAPortIsNamed) {
    serialtest::RawPty pty;
    ASSERT_TRUE(pty.Ok());
    PortHolderProcess holder(pty.path, "ModemManager");
    ASSERT_TRUE(holder.Holding());
    const PortFacts facts = GatherPortFacts(pty.path, {EBUSY, "open"});
    ASSERT_EQ(facts.holders.size(), 1u);
    EXPECT_EQ(facts.holders[0].pid, holder.Pid());
    EXPECT_EQ(facts.holders[0].name, "ModemManager");
    EXPECT_NE(std::find(facts.grabbers.begin(), facts.grabbers.end(), "ModemManager"),
              facts.grabbers.end());
    const PortFacts denied = GatherPortFacts(pty.path, {EACCES, "open"});
    EXPECT_TRUE(denied.holders.empty() && denied.grabbers.empty()) << "asked for a busy port only";
}
