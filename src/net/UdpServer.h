// A receive-only UDP listener on all local IPv4 interfaces. Its thread hands
// every datagram to a callback.
#pragma once

#include <atomic>
#include <thread>

#include "console/SystemError.h"
#include "platform/UdpSocket.h"
#include "serial/Serial.h"  // ReceiveCallback

// Told on the receive thread, after the last datagram, that the thread ended
// by itself because the socket of `port` failed (`why`: the call and its
// error), not through Stop. The server no longer listens; the socket stays
// open until Stop or the next Start.
typedef void (*UdpEndCallback)(int port, const CallError& why);

class UdpServer {
  public:
    UdpServer() = default;
    ~UdpServer();  // stops the server and waits for its thread

    UdpServer(const UdpServer&) = delete;
    UdpServer& operator=(const UdpServer&) = delete;

    void SetCallback(ReceiveCallback callback);
    void SetEndCallback(UdpEndCallback callback);
    // 0 when listening on the low 16 bits of port, -1 on failure.
    int Start(int port);
    // Result of closing the socket (0 when there was none).
    int Stop();

    bool IsListening() const { return running_.load() != 0; }
    int BoundPort() const { return socket_.Port(); }  // 0 when none
    // Why the last Start failed: the call and its error number; error 0
    // after a successful start.
    const CallError& LastStartError() const { return lastStartError_; }

  private:
    void ReceiveThread();
    // Hands over every queued datagram; false when the socket failed.
    bool ReceiveQueued(CallError* why);

    UdpSocket socket_;
    std::atomic<int> running_{0};
    std::thread thread_;
    std::atomic<ReceiveCallback> callback_{nullptr};
    std::atomic<UdpEndCallback> endCallback_{nullptr};
    CallError lastStartError_;
};
