// Another process that holds a port the way a modem manager does: open,
// advisory lock and the exclusive flag, under a command name of the test's
// choice. It lets go when the object goes.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

class PortHolderProcess {
  public:
    // Starts the child and waits until it holds `path`; Holding() tells
    // whether it got there.
    PortHolderProcess(const std::string& path, const char* name) {
        int ready[2];
        int release[2];
        if (pipe(ready) != 0) return;
        if (pipe(release) != 0) {
            close(ready[0]);
            close(ready[1]);
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            // Only async-signal-safe calls: the parent may have threads.
            close(ready[0]);
            close(release[1]);
            prctl(PR_SET_NAME, name, 0, 0, 0);
            const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            char ok = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 && ioctl(fd, TIOCEXCL) == 0;
            if (write(ready[1], &ok, 1) != 1) _exit(2);
            char ignored;
            while (read(release[0], &ignored, 1) > 0) {
            }
            // A pseudo-terminal keeps the flag after the last close.
            if (fd >= 0) ioctl(fd, TIOCNXCL);
            _exit(0);
        }
        close(ready[1]);
        close(release[0]);
        release_ = release[1];
        char ok = 0;
        holding_ = pid_ > 0 && read(ready[0], &ok, 1) == 1 && ok == 1;
        close(ready[0]);
    }
    ~PortHolderProcess() {
        if (release_ >= 0) close(release_);
        if (pid_ > 0) {
            int status = 0;
            waitpid(pid_, &status, 0);
        }
    }
    PortHolderProcess(const PortHolderProcess&) = delete;
    PortHolderProcess& operator=(const PortHolderProcess&) = delete;

    bool Holding() const { return holding_; }
    int Pid() const { return static_cast<int>(pid_); }

  private:
    pid_t pid_ = -1;
    int release_ = -1;
    bool holding_ = false;
};
