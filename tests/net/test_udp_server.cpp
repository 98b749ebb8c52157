// The UDP listener over real sockets on the loopback interface.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Loopback.h"
#include "net/UdpServer.h"

namespace {

using namespace std::chrono_literals;
using namespace loopback;

// What the server's callback has received. The callback is a plain function,
// so the record is program-wide; each test starts it afresh.
struct Received {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::string> datagrams;
    std::atomic<long> count{0};
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> delayMs{0};
    bool keep = true;  // false: only count (flood)
    // The ends the server told of by itself, and the last one's facts.
    int ends = 0;
    int endPort = 0;
    CallError endWhy;
} received;

int Record(const char* data, int count) {
    if (received.inside.fetch_add(1) != 0) received.overlaps.fetch_add(1);
    if (received.delayMs.load() > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(received.delayMs.load()));
    {
        std::lock_guard<std::mutex> lock(received.mutex);
        if (received.keep) received.datagrams.emplace_back(data, static_cast<std::size_t>(count));
        received.count.fetch_add(1);
    }
    received.inside.fetch_sub(1);
    received.arrived.notify_all();
    return 0;
}

void RecordEnd(int port, const CallError& why) {
    {
        std::lock_guard<std::mutex> lock(received.mutex);
        ++received.ends;
        received.endPort = port;
        received.endWhy = why;
    }
    received.arrived.notify_all();
}

void ResetReceived(bool keep = true) {
    std::lock_guard<std::mutex> lock(received.mutex);
    received.datagrams.clear();
    received.count = 0;
    received.overlaps = 0;
    received.delayMs = 0;
    received.keep = keep;
    received.ends = 0;
}

bool WaitForCount(long count, std::chrono::milliseconds timeout = 3000ms) {
    std::unique_lock<std::mutex> lock(received.mutex);
    return received.arrived.wait_for(lock, timeout, [&] { return received.count.load() >= count; });
}

int Ends() {
    std::lock_guard<std::mutex> lock(received.mutex);
    return received.ends;
}

std::vector<std::string> ReceivedDatagrams() {
    std::lock_guard<std::mutex> lock(received.mutex);
    return received.datagrams;
}

class UdpServerTest : public testing::Test {
  protected:
    void SetUp() override {
        ResetReceived();
        server.SetCallback(Record);
        server.SetEndCallback(RecordEnd);
    }
    UdpServer server;
};

TEST_F(UdpServerTest, DeliversEachDatagramWhole) {
    const int port = FreePort();
    ASSERT_EQ(server.Start(port), 0);
    EXPECT_TRUE(server.IsListening());
    EXPECT_EQ(server.BoundPort(), port);
    Sender sender(port);
    ASSERT_TRUE(sender.Send("{000123}"));
    ASSERT_TRUE(sender.Send("{00"));
    ASSERT_TRUE(sender.Send(std::string(2048, 'x')));  // exactly the buffer
    ASSERT_TRUE(WaitForCount(3));
    EXPECT_EQ(ReceivedDatagrams(),
              (std::vector<std::string>{"{000123}", "{00", std::string(2048, 'x')}));
}

TEST_F(UdpServerTest, EmptyDatagramIsIgnoredAndReceptionGoesOn) {
    const int port = FreePort();
    ASSERT_EQ(server.Start(port), 0);
    Sender sender(port);
    ASSERT_TRUE(sender.Send(""));
    ASSERT_TRUE(sender.Send("{000124}"));
    ASSERT_TRUE(WaitForCount(1));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ReceivedDatagrams(), std::vector<std::string>{"{000124}"});
    EXPECT_TRUE(server.IsListening());
}

TEST_F(UdpServerTest, OversizedDatagramIsDroppedWholeAndReceptionGoesOn) {
    const int port = FreePort();
    ASSERT_EQ(server.Start(port), 0);
    Sender sender(port);
    ASSERT_TRUE(sender.Send("{000" + std::string(2996, '1') + "}"));
    ASSERT_TRUE(sender.Send(std::string(2049, '2')));
    ASSERT_TRUE(sender.Send("{000125}"));
    ASSERT_TRUE(WaitForCount(1));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ReceivedDatagrams(), std::vector<std::string>{"{000125}"});
}

TEST_F(UdpServerTest, StartOnAPortInUseFailsAndLeaksNothing) {
    BoundSocket blocker;
    ASSERT_TRUE(blocker.ok());
    const int before = counts::OpenDescriptors();
    for (int attempt = 0; attempt < 50; ++attempt) ASSERT_EQ(server.Start(blocker.port()), -1);
    EXPECT_FALSE(server.IsListening());
    EXPECT_EQ(server.LastStartError().error, EADDRINUSE);
    EXPECT_EQ(server.LastStartError().call, "bind");
    EXPECT_EQ(server.BoundPort(), 0);
    EXPECT_EQ(counts::SettledDescriptors(before), before);
    EXPECT_EQ(server.Stop(), 0);  // nothing left to close
}

TEST_F(UdpServerTest, UsesOnlyTheLow16BitsOfThePort) {
    {
        BoundSocket probe(4464);
        if (!probe.ok()) GTEST_SKIP() << "port 4464 is taken on this machine";
    }
    ASSERT_EQ(server.Start(70000), 0);
    EXPECT_EQ(server.BoundPort(), 4464);
    EXPECT_EQ(server.LastStartError().error, 0);
    Sender sender(4464);
    ASSERT_TRUE(sender.Send("{000001}"));
    EXPECT_TRUE(WaitForCount(1));
}

TEST_F(UdpServerTest, StopAndStartAHundredTimes) {
    const int port = FreePort();
    Sender sender(port);
    const int before = counts::OpenDescriptors();
    for (int round = 0; round < 100; ++round) {
        ASSERT_EQ(server.Start(port), 0) << "round " << round;
        ASSERT_TRUE(sender.Send("{00" + std::to_string(round) + "}"));
        ASSERT_TRUE(WaitForCount(round + 1)) << "round " << round;
        const auto stopping = std::chrono::steady_clock::now();
        EXPECT_EQ(server.Stop(), 0);
        // The blocked receive is woken, not waited out.
        EXPECT_LT(std::chrono::steady_clock::now() - stopping, 500ms);
        EXPECT_FALSE(server.IsListening());
    }
    EXPECT_EQ(counts::SettledDescriptors(before), before);
    BoundSocket again(port);  // the port is free again
    EXPECT_TRUE(again.ok());
    EXPECT_EQ(Ends(), 0) << "a stop is not an end of its own";
}

// A socket that fails under the receive thread ends reception: the end is
// told once, after the datagrams before it, with the call and its error, and
// Stop still releases everything.
TEST_F(UdpServerTest, SocketFailureEndsReceptionAndIsToldOnce) {
    const int port = FreePort();
    Sender sender(port);
    const int before = counts::OpenDescriptors();
    ASSERT_EQ(server.Start(port), 0);
    ASSERT_TRUE(sender.Send("{000001}"));
    ASSERT_TRUE(WaitForCount(1));
    ASSERT_TRUE(BreakSocket(port));
    ASSERT_TRUE(sender.Send("{000002}"));  // wakes the thread onto the broken socket
    {
        std::unique_lock<std::mutex> lock(received.mutex);
        ASSERT_TRUE(received.arrived.wait_for(lock, 3000ms, [] { return received.ends > 0; }));
        EXPECT_EQ(received.endPort, port);
        EXPECT_EQ(received.endWhy.call, "recvfrom");
        EXPECT_EQ(received.endWhy.error, ENOTSOCK);
        EXPECT_EQ(received.datagrams.front(), "{000001}");
    }
    EXPECT_FALSE(server.IsListening());
    EXPECT_EQ(server.Stop(), 0);
    EXPECT_EQ(Ends(), 1);
    EXPECT_EQ(counts::SettledDescriptors(before), before);
}

TEST_F(UdpServerTest, RestartJoinsTheEarlierThreadSoCallbacksNeverOverlap) {
    received.delayMs = 20;  // callbacks still running when the next start comes
    const int first = FreePort();
    ASSERT_EQ(server.Start(first), 0);
    Sender toFirst(first);
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(toFirst.Send("{000001}"));
    std::this_thread::sleep_for(5ms);

    const int second = FreePort();
    ASSERT_EQ(server.Start(second), 0);
    EXPECT_EQ(server.BoundPort(), second);
    EXPECT_TRUE(BoundSocket(first).ok());  // the first socket is closed
    Sender toSecond(second);
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(toSecond.Send("{000002}"));
    ASSERT_TRUE(WaitForCount(received.count.load() + 5));
    EXPECT_EQ(received.overlaps.load(), 0);
}

TEST_F(UdpServerTest, DestructionStopsTheServer) {
    const int port = FreePort();
    const int before = counts::OpenDescriptors();
    {
        UdpServer scoped;
        scoped.SetCallback(Record);
        ASSERT_EQ(scoped.Start(port), 0);
    }
    EXPECT_EQ(counts::SettledDescriptors(before), before);
    EXPECT_TRUE(BoundSocket(port).ok());
}

TEST_F(UdpServerTest, FloodIsReceivedOrDroppedByTheKernelOnly) {
    ResetReceived(false);
    const int port = FreePort();
    ASSERT_EQ(server.Start(port), 0);
    const long memoryBefore = ResidentKiB();

    constexpr long kDatagrams = 100000;
    Sender sender(port);
    long sent = 0;
    for (long i = 0; i < kDatagrams; ++i) sent += sender.Send("{00A0120064}") ? 1 : 0;

    // Wait until nothing more arrives.
    long last = -1;
    while (received.count.load() != last) {
        last = received.count.load();
        std::this_thread::sleep_for(200ms);
    }
    const long drops = ReadKernelQueue(port).drops;
    const long memoryAfter = ResidentKiB();
    server.Stop();

    std::printf("flood: sent %ld, delivered %ld, dropped by the kernel %ld, RSS %+ld kB\n", sent,
                received.count.load(), drops, memoryAfter - memoryBefore);
    EXPECT_EQ(sent, kDatagrams);
    ASSERT_GE(drops, 0);
    EXPECT_EQ(received.count.load() + drops, sent);
    EXPECT_GT(received.count.load(), 0);
    EXPECT_LT(memoryAfter - memoryBefore, 16 * 1024);
}

}  // namespace
