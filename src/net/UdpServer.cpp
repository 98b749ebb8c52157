#include "net/UdpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

#include "console/PromptWakeups.h"

namespace {

constexpr int kDatagramBuffer = 2048;

void CloseIfOpen(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

UdpServer::~UdpServer() { Stop(); }

void UdpServer::SetCallback(ReceiveCallback callback) { callback_ = callback; }

int UdpServer::Start(int port) {
    // A thread of an earlier start (still listening, or ended on an error)
    // is joined first, so two threads never deliver at the same time.
    if (thread_.joinable() || socket_ >= 0) Stop();

    lastStartError_ = CallError();
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd < 0) {
        lastStartError_ = {errno, "socket"};
        return -1;
    }

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port & 0xFFFF));
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    // A socket that did not come up is closed at once: repeated failed
    // starts must not leave descriptors behind.
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        lastStartError_ = {errno, "bind"};
        ::close(fd);
        return -1;
    }
    if (::pipe2(wakePipe_, O_CLOEXEC) != 0) {
        lastStartError_ = {errno, "pipe2"};
        ::close(fd);
        return -1;
    }

    socket_ = fd;
    running_ = 1;  // before the thread exists, so a new thread always finds it set
    try {
        thread_ = std::thread(&UdpServer::ReceiveThread, this);
    } catch (const std::system_error& failure) {
        lastStartError_ = {failure.code().value(), "thread"};
        running_ = 0;
        CloseIfOpen(wakePipe_[0]);
        CloseIfOpen(wakePipe_[1]);
        CloseIfOpen(socket_);
        return -1;
    }
    return 0;
}

int UdpServer::Stop() {
    running_ = 0;
    // Closing the socket would not wake a thread blocked on it; the pipe does.
    if (wakePipe_[1] >= 0) {
        const char wake = 1;
        ssize_t written;
        do {
            written = ::write(wakePipe_[1], &wake, 1);
        } while (written < 0 && errno == EINTR);
    }
    if (thread_.joinable()) thread_.join();
    CloseIfOpen(wakePipe_[0]);
    CloseIfOpen(wakePipe_[1]);

    int result = 0;
    if (socket_ >= 0) {
        result = ::close(socket_);
        socket_ = -1;
    }
    return result;
}

int UdpServer::BoundPort() const {
    if (socket_ < 0) return 0;
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
    return ntohs(address.sin_port);
}

void UdpServer::ReceiveThread() {
    RequestShortSlice();  // a datagram is handed on at once
    char buffer[kDatagramBuffer];
    pollfd waits[2] = {{socket_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};

    while (running_.load() != 0) {
        waits[0].revents = waits[1].revents = 0;
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (waits[1].revents != 0) break;  // woken by Stop
        if ((waits[0].revents & POLLNVAL) != 0) break;

        // Take everything that is queued before waiting again.
        while (running_.load() != 0) {
            // MSG_TRUNC makes the call return the datagram's real length, so
            // one that did not fit is recognised and dropped whole instead of
            // being delivered cut off.
            const ssize_t received = ::recvfrom(socket_, buffer, sizeof buffer,
                                                MSG_TRUNC | MSG_DONTWAIT, nullptr, nullptr);
            if (received < 0) {
                if (errno == EBADF || errno == ENOTSOCK || errno == EFAULT || errno == EINVAL) {
                    running_ = 0;  // the socket itself is unusable
                    return;
                }
                break;  // nothing more queued, or a passing error: wait again
            }
            // An empty datagram carries nothing; it must not end reception,
            // or any sender could silence the listener with one.
            if (received == 0 || received > static_cast<ssize_t>(sizeof buffer)) continue;
            const ReceiveCallback callback = callback_.load();
            if (callback != nullptr) callback(buffer, static_cast<int>(received));
        }
    }
}
