// Senders that keep the program busy from threads of the test: a board that
// sends events, and a UDP sender, each either as fast as it can or at a set
// rate. Counts of what they sent are kept; a board stream ends by itself
// when the board is unplugged.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "../net/Loopback.h"
#include "VirtualBoard.h"

namespace streams {

using Clock = std::chrono::steady_clock;

// A discrete board event, "{0XXX}", its id taken from `n`.
inline std::string BoardEvent(long n) {
    char text[16];
    std::snprintf(text, sizeof text, "{0%03lX}", n % 0x1000);
    return text;
}

// A discrete UDP event of device 0, "{000XXX}" (ids 0x000 to 0xFFF).
inline std::string UdpEvent(long n) {
    char text[16];
    std::snprintf(text, sizeof text, "{000%03lX}", n % 0x1000);
    return text;
}

// Calls `send(i)` for i = 0, 1, ... on a thread until stopped or until it
// returns false; `perSecond` paces the calls (0: as fast as possible).
class Stream {
  public:
    Stream(double perSecond, std::function<bool(long)> send)
        : perSecond_(perSecond), send_(std::move(send)) {
        thread_ = std::thread([this] { Run(); });
    }
    ~Stream() { Stop(); }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    long Sent() const { return sent_; }
    // True when a send failed (the stream has ended by itself).
    bool Broken() const { return broken_; }

  private:
    void Run() {
        const auto start = Clock::now();
        while (!stop_) {
            long due = sent_ + 64;
            if (perSecond_ > 0) {
                const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
                due = static_cast<long>(seconds * perSecond_);
                if (due <= sent_) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    continue;
                }
            }
            for (long i = sent_; i < due && !stop_; ++i) {
                if (!send_(i)) {
                    broken_ = true;
                    return;
                }
                ++sent_;
            }
        }
    }

    const double perSecond_;
    std::function<bool(long)> send_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> broken_{false};
    std::atomic<long> sent_{0};
    std::thread thread_;
};

// Events from the board; `bytesPerSecond` 0 sends as fast as the terminal
// takes them.
inline std::unique_ptr<Stream> BoardStream(board::VirtualBoard& board, double bytesPerSecond = 0) {
    const double eventsPerSecond = bytesPerSecond / static_cast<double>(BoardEvent(0).size());
    return std::make_unique<Stream>(eventsPerSecond,
                                    [&board](long i) { return board.Send(BoardEvent(i)); });
}

// One UDP event per datagram to 127.0.0.1:`port`.
inline std::unique_ptr<Stream> UdpStream(int port, double datagramsPerSecond = 0) {
    auto sender = std::make_shared<loopback::Sender>(port);
    return std::make_unique<Stream>(datagramsPerSecond, [sender](long i) {
        sender->Send(UdpEvent(i));  // a full socket buffer drops, as the network would
        return true;
    });
}

// 115200 baud, 8 data bits, no parity, 1 stop bit: ten bit times a byte.
constexpr double kLineRateBytesPerSecond = 115200.0 / 10.0;

}  // namespace streams
