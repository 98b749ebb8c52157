// The wake-up every waiting thread of ours shares on Linux: closing a
// descriptor does not wake a thread blocked in poll(2) on it, so each wait
// also watches the read end of this pipe, and whoever wants the thread to
// look again (to stop, or to take new work) writes a byte to it.
#pragma once

class WakePipe {
  public:
    WakePipe() = default;
    ~WakePipe();  // closes both ends

    WakePipe(const WakePipe&) = delete;
    WakePipe& operator=(const WakePipe&) = delete;

    // Makes the pipe (both ends close-on-exec and non-blocking). False with
    // errno set when the system has no descriptors to give.
    bool Open();
    void Close();
    bool IsOpen() const { return readFd_ >= 0; }

    // Any thread: the next (or current) wait on ReadFd() ends.
    void Wake();
    // The waiting thread, once woken: empties the pipe, so the next wait
    // blocks again until the next Wake.
    void Drain();
    // For poll(2): readable after a Wake until the next Drain.
    int ReadFd() const { return readFd_; }

  private:
    int readFd_ = -1;
    int writeFd_ = -1;
};
