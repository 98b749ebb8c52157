// Sockets on the loopback interface and the process and kernel figures the
// UDP tests measure.
#pragma once

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
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
// (columns rx_queue and drops of /proc/net/udp), and the socket's inode; -1
// when there is none.
struct KernelQueue {
    long queuedBytes = -1;
    long drops = -1;
    long inode = -1;
};

inline KernelQueue ReadKernelQueue(int port) {
    std::ifstream table("/proc/net/udp");
    std::string line;
    std::getline(table, line);  // heading
    char local[16];
    std::snprintf(local, sizeof local, ":%04X", port);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, localAddress, remote, state, queues, timer, retransmits, uid, timeout;
        std::string field, last;
        long inode = -1;
        fields >> slot >> localAddress >> remote >> state >> queues >> timer >> retransmits >>
            uid >> timeout >> inode;
        if (localAddress.size() < 5 || localAddress.substr(localAddress.size() - 5) != local)
            continue;
        while (fields >> field) last = field;
        KernelQueue queue;
        queue.inode = inode;
        queue.queuedBytes = std::stol(queues.substr(queues.find(':') + 1), nullptr, 16);
        queue.drops = std::stol(last);
        return queue;
    }
    return {};
}

// Breaks this process's socket bound to `port` where it stands, as a stray
// close elsewhere in a program would: its descriptor is made to refer to
// /dev/null. A thread waiting on the socket wakes with the next datagram
// sent to the port, and its next receive fails with ENOTSOCK. False when no
// descriptor of this process holds such a socket.
inline bool BreakSocket(int port) {
    const long inode = ReadKernelQueue(port).inode;
    if (inode < 0) return false;
    const std::string target = "socket:[" + std::to_string(inode) + "]";
    int found = -1;
    DIR* fds = opendir("/proc/self/fd");
    if (fds == nullptr) return false;
    while (dirent* entry = readdir(fds)) {
        char link[64];
        const std::string path = std::string("/proc/self/fd/") + entry->d_name;
        const ssize_t n = readlink(path.c_str(), link, sizeof link);
        if (n > 0 && std::string(link, static_cast<std::size_t>(n)) == target)
            found = std::atoi(entry->d_name);
    }
    closedir(fds);
    if (found < 0) return false;
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    const bool replaced = null >= 0 && dup2(null, found) == found;
    if (null >= 0) close(null);
    return replaced;
}

}  // namespace loopback
