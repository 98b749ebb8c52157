#include "platform/linux/InotifyThread.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

InotifyThread::~InotifyThread() { Stop(); }

bool InotifyThread::Open() {
    Stop();
    inotify_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (inotify_ < 0) return false;
    if (!wake_.Open()) {
        Stop();
        return false;
    }
    return true;
}

bool InotifyThread::StartThread(EventHandler onEvent, WakeHandler onWake) {
    onEvent_ = std::move(onEvent);
    onWake_ = std::move(onWake);
    stop_ = false;
    try {
        thread_ = std::thread(&InotifyThread::Run, this);
    } catch (const std::system_error&) {
        Stop();
        return false;
    }
    return true;
}

void InotifyThread::Wake() { wake_.Wake(); }

void InotifyThread::Stop() {
    if (thread_.joinable()) {
        stop_ = true;
        wake_.Wake();
        thread_.join();
    }
    if (inotify_ >= 0) close(inotify_);
    inotify_ = -1;
    wake_.Close();
}

bool InotifyThread::ReadEvents(bool& mattered) {
    alignas(inotify_event) char buffer[4096];
    ssize_t n;
    while ((n = read(inotify_, buffer, sizeof buffer)) > 0) {
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (onEvent_(*event)) mattered = true;
        }
    }
    return n == 0 || errno == EAGAIN || errno == EINTR;
}

void InotifyThread::Run() {
    while (!stop_) {
        pollfd p[2] = {{inotify_, POLLIN, 0}, {wake_.ReadFd(), POLLIN, 0}};
        if (poll(p, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (stop_) return;
        if (p[1].revents != 0) wake_.Drain();
        bool mattered = false;
        if (p[0].revents != 0 && !ReadEvents(mattered)) return;
        onWake_(mattered);
    }
}
