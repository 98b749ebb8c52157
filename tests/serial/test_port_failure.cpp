// What a failed open says, and the look-ups behind it: the group of a device
// node, the processes that hold a port.
#include <grp.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <string>

#include "PortHolder.h"
#include "SerialTestSupport.h"
#include "serial/PortFailure.h"

namespace {

// A folder of the test's own, removed with everything in it.
struct TempFolder {
    std::string path;
    TempFolder() {
        char name[] = "/tmp/brantle-port-failure-XXXXXX";
        if (mkdtemp(name) != nullptr) path = name;
    }
    ~TempFolder() {
        if (!path.empty()) {
            const std::string command = "rm -rf '" + path + "'";
            EXPECT_EQ(system(command.c_str()), 0);
        }
    }
    std::string Write(const std::string& name, const std::string& text) const {
        const std::string file = path + "/" + name;
        std::ofstream(file) << text;
        return file;
    }
};

const char* kPort = "/dev/ttyACM0";

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
    };
    for (const auto& c : cases) {
        const PortOpenError error{c.error, c.call};
        EXPECT_EQ(ClassifyPortFailure(error), c.kind) << c.error;
        const FailureText text = DescribePortFailure(kPort, error, c.facts);
        EXPECT_EQ(text.summary, c.summary) << c.error;
        if (*c.hint == '\0')
            EXPECT_EQ(text.hint, "") << c.error;
        else
            EXPECT_NE(text.hint.find(c.hint), std::string::npos) << c.error << ": " << text.hint;
    }
    EXPECT_EQ(DescribePortFailure(kPort, {EACCES, "open"}, PortFacts()).reason,
              "open /dev/ttyACM0: Permission denied (EACCES)");
    EXPECT_EQ(DescribePortFailure(kPort, {0, ""}, PortFacts()).Line(), "");
}

TEST(PortFailureLookup, GroupIsReadFromTheNode) {
    TempFolder folder;
    ASSERT_FALSE(folder.path.empty());
    // A character device node like the board's where this process may make one.
    std::string node = folder.path + "/ttyACM0";
    if (mknod(node.c_str(), S_IFCHR | 0660, makedev(1, 3)) != 0) folder.Write("ttyACM0", "");
    // dialout where this process may hand the file to it, else its own group.
    const group* dialout = getgrnam("dialout");
    const gid_t gid = geteuid() == 0 && dialout != nullptr ? dialout->gr_gid : getegid();
    ASSERT_EQ(chown(node.c_str(), static_cast<uid_t>(-1), gid), 0);
    const group* expected = getgrgid(gid);
    ASSERT_NE(expected, nullptr);
    EXPECT_EQ(NodeGroup(node), expected->gr_name);
    EXPECT_EQ(NodeGroup(folder.path + "/missing"), "");
    EXPECT_EQ(GatherPortFacts(node, {EACCES, "open"}).group, expected->gr_name);
    EXPECT_EQ(GatherPortFacts(node, {ENOENT, "open"}).group, "");
}

// A made-up /proc: process 123 holds a lock on the node, 77 has it open, 55
// has something else open; 9 is ModemManager without the port.
TEST(PortFailureLookup, HoldersComeFromDescriptorsAndLocks) {
    TempFolder proc;
    ASSERT_FALSE(proc.path.empty());
    const std::string node = proc.Write("node", "");
    const std::string other = proc.Write("other", "");
    struct stat st;
    ASSERT_EQ(stat(node.c_str(), &st), 0);
    char lock[160];
    snprintf(lock, sizeof lock, "1: FLOCK  ADVISORY  WRITE 123 %02x:%02x:%llu 0 EOF\n",
             major(st.st_dev), minor(st.st_dev), static_cast<unsigned long long>(st.st_ino));
    proc.Write("locks", std::string("2: POSIX  ADVISORY  WRITE 5 00:01:1 0 EOF\n") + lock);
    for (const char* pid : {"123", "77", "55", "9", "1000"}) {
        ASSERT_EQ(mkdir((proc.path + "/" + pid).c_str(), 0755), 0);
        ASSERT_EQ(mkdir((proc.path + "/" + pid + "/fd").c_str(), 0755), 0);
    }
    proc.Write("123/comm", "brltty\n");
    proc.Write("77/comm", "minicom\n");
    proc.Write("55/comm", "bash\n");
    proc.Write("9/comm", "ModemManager\n");
    proc.Write("1000/comm", "self\n");
    ASSERT_EQ(symlink(node.c_str(), (proc.path + "/77/fd/3").c_str()), 0);
    ASSERT_EQ(symlink(other.c_str(), (proc.path + "/55/fd/3").c_str()), 0);
    ASSERT_EQ(symlink(node.c_str(), (proc.path + "/1000/fd/4").c_str()), 0);

    const std::vector<PortHolder> holders = FindPortHolders(node, proc.path, 1000);
    ASSERT_EQ(holders.size(), 2u);
    EXPECT_EQ(holders[0].pid, 77);
    EXPECT_EQ(holders[0].name, "minicom");
    EXPECT_EQ(holders[1].pid, 123);
    EXPECT_EQ(holders[1].name, "brltty");
    EXPECT_EQ(RunningPortGrabbers(proc.path), (std::vector<std::string>{"ModemManager", "brltty"}));
    EXPECT_TRUE(FindPortHolders(proc.path + "/missing", proc.path, 1000).empty());
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
}
