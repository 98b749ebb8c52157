#include "platform/SerialLine.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/LineSettings.h"
#include "platform/linux/WakePipe.h"

struct SerialLine::Impl {
    int fd = -1;
    WakePipe wake;
};

namespace {

// Takes the port for this process alone. TIOCEXCL turns away other openers
// but not root; the advisory lock turns away every opener that asks for it,
// root and this very process included.
bool TakeExclusive(int fd) {
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return false;
    ioctl(fd, TIOCEXCL);
    return true;
}

bool Fail(const char* call, std::string* failedCall, int* error) {
    *failedCall = call;
    *error = errno;
    return false;
}

}  // namespace

SerialLine::SerialLine() : impl_(new Impl) {}

SerialLine::~SerialLine() { Close(); }

std::string SerialLine::DevicePath(const std::string& portName) {
    return portName.rfind('/', 0) == 0 ? portName : "/dev/" + portName;
}

bool SerialLine::MayOpen(const std::string& path) { return access(path.c_str(), R_OK | W_OK) == 0; }

bool SerialLine::Open(const std::string& path, std::string* failedCall, int* error) {
    Close();
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Fail("open", failedCall, error);
    if (!TakeExclusive(fd)) {
        Fail("flock", failedCall, error);
        close(fd);
        return false;
    }
    impl_->fd = fd;
    return true;
}

bool SerialLine::Configure(int baudRate, std::string* failedCall, int* error) {
    // A rate that is not positive fails before any call could set errno.
    errno = EINVAL;
    if (!ApplyLineSettings(impl_->fd, baudRate)) return Fail("line settings", failedCall, error);
    if (!impl_->wake.Open()) return Fail("pipe2", failedCall, error);
    return true;
}

void SerialLine::Close() {
    if (impl_->fd >= 0) {
        // A pseudo-terminal keeps the exclusive flag after the last close;
        // drop it so that a later opener (not root) is not turned away.
        ioctl(impl_->fd, TIOCNXCL);
        // A serial driver's close waits (up to half a minute) for output
        // that a board which takes no data will never take: it is dropped.
        tcflush(impl_->fd, TCOFLUSH);
        close(impl_->fd);
        impl_->fd = -1;
    }
    impl_->wake.Close();
}

bool SerialLine::IsOpen() const { return impl_->fd >= 0; }

long long SerialLine::HandleNumber() const { return impl_->fd; }

unsigned SerialLine::Wait(unsigned interest, std::int64_t timeoutNs) {
    short events = 0;
    if (interest & kReadable) events |= POLLIN;
    if (interest & kWritable) events |= POLLOUT;
    // poll reports a hang-up even with no events asked for: a line not
    // watched at all is left out.
    pollfd p[2] = {{events != 0 ? impl_->fd : -1, events, 0}, {impl_->wake.ReadFd(), POLLIN, 0}};
    const timespec wait = {static_cast<time_t>(timeoutNs / 1000000000),
                           static_cast<long>(timeoutNs % 1000000000)};
    const int r = ppoll(p, 2, timeoutNs < 0 ? nullptr : &wait, nullptr);
    if (r < 0) return errno == EINTR ? kWoken : kFailed;
    unsigned seen = 0;
    if (p[1].revents != 0) {
        impl_->wake.Drain();
        seen |= kWoken;
    }
    if (p[0].revents & POLLIN) seen |= kReadable;
    if (p[0].revents & POLLOUT) seen |= kWritable;
    if (p[0].revents & (POLLHUP | POLLERR | POLLNVAL)) seen |= kHungUp | kReadable;
    return seen;
}

int SerialLine::Read(char* buffer, int size) {
    for (;;) {
        const ssize_t n = read(impl_->fd, buffer, static_cast<size_t>(size));
        if (n > 0) return static_cast<int>(n);
        // 0 is end of file: the line hung up (raw mode never returns 0 for
        // "nothing there" on this descriptor, that is EAGAIN).
        if (n == 0) return -1;
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
    }
}

int SerialLine::Write(const char* data, int length) {
    for (;;) {
        const ssize_t n = write(impl_->fd, data, static_cast<size_t>(length));
        if (n >= 0) return static_cast<int>(n);
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
    }
}

int SerialLine::SetDtr(bool on) {
    if (impl_->fd < 0) return 0;
    int bits = TIOCM_DTR;
    return ioctl(impl_->fd, on ? TIOCMBIS : TIOCMBIC, &bits) == 0 ? 1 : 0;
}

void SerialLine::Wake() { impl_->wake.Wake(); }
