// A receive-only UDP listener on all local IPv4 interfaces. Its thread hands
// every datagram to a callback.
#pragma once

#include <atomic>
#include <thread>

#include "console/SystemError.h"
#include "serial/Serial.h"  // ReceiveCallback

class UdpServer {
public:
    UdpServer() = default;
    ~UdpServer();  // stops the server and waits for its thread

    UdpServer(const UdpServer&) = delete;
    UdpServer& operator=(const UdpServer&) = delete;

    void SetCallback(ReceiveCallback callback);
    // 0 when listening on the low 16 bits of port, -1 on failure.
    int Start(int port);
    // Result of closing the socket (0 when there was none).
    int Stop();

    bool IsListening() const { return running_.load() != 0; }
    int BoundPort() const;  // the port actually bound, 0 when none
    // Why the last Start failed: the call and its error number; error 0
    // after a successful start.
    const CallError& LastStartError() const { return lastStartError_; }

private:
    void ReceiveThread();

    int socket_ = -1;
    int wakePipe_[2] = {-1, -1};
    std::atomic<int> running_{0};
    std::thread thread_;
    std::atomic<ReceiveCallback> callback_{nullptr};
    CallError lastStartError_;
};
