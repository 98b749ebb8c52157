// Sockets on the loopback interface and the process and kernel figures the
// UDP tests measure.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "ProcessCounts.h"

namespace loopback {

inline long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

// A UDP socket bound to all interfaces on `port` (0: a free one); not ok()
// when the port is taken.
class BoundSocket {
public:
    explicit BoundSocket(int port = 0) {
        fd_ = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~BoundSocket() {
        if (fd_ >= 0) close(fd_);
    }
    BoundSocket(const BoundSocket&) = delete;
    BoundSocket& operator=(const BoundSocket&) = delete;

    bool ok() const { return fd_ >= 0; }
    int port() const {
        sockaddr_in address{};
        socklen_t length = sizeof address;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        return ntohs(address.sin_port);
    }

private:
    int fd_ = -1;
};

inline int FreePort() { return BoundSocket().port(); }

// Sends datagrams to a port of 127.0.0.1.
class Sender {
public:
    explicit Sender(int port = 0) {
        fd_ = socket(AF_INET, SOCK_DGRAM, 0);
        To(port);
    }
    ~Sender() { close(fd_); }
    Sender(const Sender&) = delete;
    Sender& operator=(const Sender&) = delete;

    void To(int port) {
        to_.sin_family = AF_INET;
        to_.sin_port = htons(static_cast<std::uint16_t>(port));
        to_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    }
    bool Send(const std::string& bytes) {
        return sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to_),
                      sizeof to_) == static_cast<ssize_t>(bytes.size());
    }

private:
    int fd_;
    sockaddr_in to_{};
};

// What the kernel holds and has dropped for the socket bound to `port`
// (columns rx_queue and drops of /proc/net/udp); -1 when there is none.
struct KernelQueue {
    long queuedBytes = -1;
    long drops = -1;
};

inline KernelQueue ReadKernelQueue(int port) {
    std::ifstream table("/proc/net/udp");
    std::string line;
    std::getline(table, line);  // heading
    char local[16];
    std::snprintf(local, sizeof local, ":%04X", port);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, localAddress, remote, state, queues, field, last;
        fields >> slot >> localAddress >> remote >> state >> queues;
        if (localAddress.size() < 5 || localAddress.substr(localAddress.size() - 5) != local)
            continue;
        while (fields >> field) last = field;
        KernelQueue queue;
        queue.queuedBytes = std::stol(queues.substr(queues.find(':') + 1), nullptr, 16);
        queue.drops = std::stol(last);
        return queue;
    }
    return {};
}

}  // namespace loopback
