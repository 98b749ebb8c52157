#include "platform/linux/WakePipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

WakePipe::~WakePipe() { Close(); }

bool WakePipe::Open() {
    Close();
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    readFd_ = fds[0];
    writeFd_ = fds[1];
    return true;
}

void WakePipe::Close() {
    if (readFd_ >= 0) close(readFd_);
    if (writeFd_ >= 0) close(writeFd_);
    readFd_ = writeFd_ = -1;
}

void WakePipe::Wake() {
    if (writeFd_ < 0) return;
    const char nudge = 1;
    // A full pipe already wakes the reader: EAGAIN loses nothing.
    while (write(writeFd_, &nudge, 1) < 0 && errno == EINTR) {
    }
}

void WakePipe::Drain() {
    char bytes[64];
    while (readFd_ >= 0 && read(readFd_, bytes, sizeof bytes) > 0) {
    }
}
