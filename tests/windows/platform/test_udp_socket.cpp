// The UDP socket on Winsock: datagrams from the loopback interface taken
// whole, empty and too large ones told apart, Wake ending a Wait, and a port
// in use refused with the errno value the rules of a failed start know.
#include <gtest/gtest.h>
#include <winsock2.h>

#include <cerrno>
#include <chrono>
#include <future>
#include <string>

#include "platform/UdpSocket.h"

namespace {

using namespace std::chrono_literals;

// A Winsock socket of the test's own, bound to a free port of all
// interfaces, that sends to 127.0.0.1; with `option` (SO_EXCLUSIVEADDRUSE,
// SO_REUSEADDR) set before the bind.
class TestSocket {
  public:
    explicit TestSocket(int option = 0) {
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        socket_ = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        const BOOL on = TRUE;
        if (option != 0)
            setsockopt(socket_, SOL_SOCKET, option, reinterpret_cast<const char*>(&on), sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        bound_ = ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        int length = sizeof address;
        if (bound_ && getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port_ = ntohs(address.sin_port);
    }
    ~TestSocket() {
        closesocket(socket_);
        if (started_) WSACleanup();
    }
    TestSocket(const TestSocket&) = delete;
    TestSocket& operator=(const TestSocket&) = delete;

    int Port() const { return port_; }
    bool SendTo(int port, const std::string& bytes) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<u_short>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return sendto(socket_, bytes.data(), static_cast<int>(bytes.size()), 0,
                      reinterpret_cast<sockaddr*>(&to),
                      sizeof to) == static_cast<int>(bytes.size());
    }

  private:
    bool started_ = false;
    SOCKET socket_ = INVALID_SOCKET;
    bool bound_ = false;
    int port_ = 0;
};

// Wait, given up after 5 s (with a Wake, so that the thread returns):
// "timed out" then, else the event's name.
std::string WaitWithin(UdpSocket& socket, std::chrono::milliseconds limit = 5000ms) {
    CallError error;
    auto waited = std::async(std::launch::async, [&] { return socket.Wait(&error); });
    if (waited.wait_for(limit) != std::future_status::ready) {
        socket.Wake();
        waited.get();
        return "timed out";
    }
    switch (waited.get()) {
        case UdpSocket::Event::kReadable:
            return "readable";
        case UdpSocket::Event::kWoken:
            return "woken";
        case UdpSocket::Event::kFailed:
            return "failed: " + error.call + " " + std::to_string(error.error);
    }
    return "?";
}

// What Receive gives, the bytes of a datagram as they are.
std::string ReceiveOne(UdpSocket& socket) {
    char buffer[16];
    std::size_t length = 0;
    CallError error;
    switch (socket.Receive(buffer, sizeof buffer, &length, &error)) {
        case UdpSocket::Received::kDatagram:
            return std::string(buffer, length);
        case UdpSocket::Received::kEmpty:
            return "<empty>";
        case UdpSocket::Received::kTooLarge:
            return "<too large>";
        case UdpSocket::Received::kNone:
            return "<none>";
        case UdpSocket::Received::kFailed:
            return "<failed: " + error.call + ">";
    }
    return "?";
}

TEST(Win32UdpSocket, TakesEachDatagramWholeFromTheLoopback) {
    UdpSocket socket;
    CallError error;
    ASSERT_TRUE(socket.Open(0, &error)) << error.call << " " << error.error;
    ASSERT_NE(socket.Port(), 0);
    EXPECT_EQ(ReceiveOne(socket), "<none>") << "nothing queued: no waiting";
    TestSocket sender;
    const std::string sent[] = {"{000123}", "", std::string(17, 'x'), std::string(16, 'y'),
                                "K\xc3\xbchler"};
    for (const std::string& bytes : sent) ASSERT_TRUE(sender.SendTo(socket.Port(), bytes));
    const std::string expected[] = {"{000123}", "<empty>", "<too large>", std::string(16, 'y'),
                                    "K\xc3\xbchler"};
    for (const std::string& want : expected) {
        // Each may still be on its way: a Wait comes first when none is queued.
        std::string got = ReceiveOne(socket);
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (got == "<none>" && std::chrono::steady_clock::now() < deadline) {
            EXPECT_EQ(WaitWithin(socket), "readable");
            got = ReceiveOne(socket);
        }
        EXPECT_EQ(got, want);
    }
    EXPECT_EQ(ReceiveOne(socket), "<none>");
    EXPECT_EQ(socket.Close(), 0);
    EXPECT_FALSE(socket.IsOpen());
    EXPECT_EQ(socket.Port(), 0);
    EXPECT_EQ(socket.Close(), 0) << "none open";
}

TEST(Win32UdpSocket, WakeEndsAWait) {
    UdpSocket socket;
    CallError error;
    ASSERT_TRUE(socket.Open(0, &error)) << error.call << " " << error.error;
    socket.Wake();
    EXPECT_EQ(WaitWithin(socket), "woken") << "a Wake before the Wait";
    EXPECT_EQ(WaitWithin(socket, 200ms), "timed out") << "the wake-up is used up";
    auto waited = std::async(std::launch::async, [&] { return socket.Wait(&error); });
    EXPECT_EQ(waited.wait_for(100ms), std::future_status::timeout) << "a Wait blocks";
    socket.Wake();
    ASSERT_EQ(waited.wait_for(5s), std::future_status::ready) << "woken from another thread";
    EXPECT_EQ(waited.get(), UdpSocket::Event::kWoken);

    TestSocket sender;
    ASSERT_TRUE(sender.SendTo(socket.Port(), "{000124}"));
    EXPECT_EQ(WaitWithin(socket), "readable");
    ASSERT_TRUE(sender.SendTo(socket.Port(), "{000125}"));
    socket.Wake();
    EXPECT_EQ(WaitWithin(socket), "woken") << "a datagram and a wake-up at once";
}

TEST(Win32UdpSocket, APortInUseIsRefused) {
    // Other programs' sockets: bound plainly, held exclusively (Winsock may
    // answer WSAEACCES then), or open to sharing; and one of ours.
    TestSocket plain, exclusive(SO_EXCLUSIVEADDRUSE), sharing(SO_REUSEADDR);
    UdpSocket first;
    CallError error;
    ASSERT_TRUE(first.Open(0, &error));
    const DWORD before = [] {
        DWORD count = 0;
        GetProcessHandleCount(GetCurrentProcess(), &count);
        return count;
    }();
    for (const int port : {plain.Port(), exclusive.Port(), sharing.Port(), first.Port()}) {
        ASSERT_NE(port, 0);
        for (int attempt = 0; attempt < 20; ++attempt) {
            UdpSocket second;
            error = CallError();
            ASSERT_FALSE(second.Open(port, &error)) << port;
            EXPECT_FALSE(second.IsOpen());
        }
        EXPECT_EQ(error.call, "bind") << port;
        EXPECT_EQ(error.error, EADDRINUSE) << port << ": " << error.error;
    }
    DWORD after = 0;
    GetProcessHandleCount(GetCurrentProcess(), &after);
    EXPECT_LE(after, before + 2) << "failed opens leave no handles behind";
}

}  // namespace
