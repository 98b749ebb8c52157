#include "platform/UdpSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/linux/WakePipe.h"

struct UdpSocket::Handle {
    int fd = -1;
    int port = 0;
    WakePipe wake;
};

UdpSocket::UdpSocket() : handle_(std::make_unique<Handle>()) {}

UdpSocket::~UdpSocket() { Close(); }

bool UdpSocket::Open(int port, CallError* error) {
    Close();
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd < 0) {
        *error = {errno, "socket"};
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    socklen_t length = sizeof address;
    // A socket that did not come up is closed at once: repeated failed
    // opens must not leave descriptors behind.
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        *error = {errno, "bind"};
        ::close(fd);
        return false;
    }
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        *error = {errno, "getsockname"};
        ::close(fd);
        return false;
    }
    if (!handle_->wake.Open()) {
        *error = {errno, "pipe2"};
        ::close(fd);
        return false;
    }
    handle_->fd = fd;
    handle_->port = ntohs(address.sin_port);
    return true;
}

int UdpSocket::Close() {
    handle_->wake.Close();
    int result = 0;
    if (handle_->fd >= 0) result = ::close(handle_->fd) == 0 ? 0 : -1;
    handle_->fd = -1;
    handle_->port = 0;
    return result;
}

bool UdpSocket::IsOpen() const { return handle_->fd >= 0; }

int UdpSocket::Port() const { return handle_->port; }

UdpSocket::Event UdpSocket::Wait(CallError* error) {
    pollfd waits[2] = {{handle_->fd, POLLIN, 0}, {handle_->wake.ReadFd(), POLLIN, 0}};
    for (;;) {
        if (::poll(waits, 2, -1) >= 0) break;
        if (errno != EINTR) {
            *error = {errno, "poll"};
            return Event::kFailed;
        }
    }
    if (waits[1].revents != 0) {
        handle_->wake.Drain();
        return Event::kWoken;
    }
    if ((waits[0].revents & POLLNVAL) != 0) {
        *error = {EBADF, "poll"};
        return Event::kFailed;
    }
    return Event::kReadable;
}

UdpSocket::Received UdpSocket::Receive(char* buffer, std::size_t size, std::size_t* length,
                                       CallError* error) {
    // MSG_TRUNC makes the call return the datagram's real length, so one
    // that did not fit is recognised and dropped whole instead of being
    // delivered cut off.
    const ssize_t received =
        ::recvfrom(handle_->fd, buffer, size, MSG_TRUNC | MSG_DONTWAIT, nullptr, nullptr);
    if (received < 0) {
        if (errno == EBADF || errno == ENOTSOCK || errno == EFAULT || errno == EINVAL) {
            *error = {errno, "recvfrom"};
            return Received::kFailed;
        }
        return Received::kNone;  // nothing more queued, or a passing error
    }
    if (received == 0) return Received::kEmpty;
    if (static_cast<std::size_t>(received) > size) return Received::kTooLarge;
    *length = static_cast<std::size_t>(received);
    return Received::kDatagram;
}

void UdpSocket::Wake() { handle_->wake.Wake(); }
