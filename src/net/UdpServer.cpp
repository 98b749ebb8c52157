#include "net/UdpServer.h"

#include <system_error>

#include "platform/TimeSlice.h"

namespace {

constexpr int kDatagramBuffer = 2048;

}  // namespace

UdpServer::~UdpServer() { Stop(); }

void UdpServer::SetCallback(ReceiveCallback callback) { callback_ = callback; }

void UdpServer::SetEndCallback(UdpEndCallback callback) { endCallback_ = callback; }

int UdpServer::Start(int port) {
    // A thread of an earlier start (still listening, or ended on an error)
    // is joined first, so two threads never deliver at the same time.
    if (thread_.joinable() || socket_.IsOpen()) Stop();

    lastStartError_ = CallError();
    if (!socket_.Open(port & 0xFFFF, &lastStartError_)) return -1;

    running_ = 1;  // before the thread exists, so a new thread always finds it set
    try {
        thread_ = std::thread(&UdpServer::ReceiveThread, this);
    } catch (const std::system_error& failure) {
        lastStartError_ = {failure.code().value(), "thread"};
        running_ = 0;
        socket_.Close();
        return -1;
    }
    return 0;
}

int UdpServer::Stop() {
    running_ = 0;
    // Closing the socket would not wake a thread blocked on it; this does.
    socket_.Wake();
    if (thread_.joinable()) thread_.join();
    return socket_.Close();
}

void UdpServer::ReceiveThread() {
    RequestShortSlice();  // a datagram is handed on at once
    CallError why;
    bool failed = false;
    while (running_.load() != 0 && !failed) {
        switch (socket_.Wait(&why)) {
            case UdpSocket::Event::kWoken:
                break;  // by Stop, which has cleared running_
            case UdpSocket::Event::kFailed:
                failed = true;
                break;
            case UdpSocket::Event::kReadable:
                failed = !ReceiveQueued(&why);
                break;
        }
    }
    // Told only when nobody stopped the server meanwhile: whoever did knows.
    if (failed && running_.exchange(0) != 0) {
        const UdpEndCallback ended = endCallback_.load();
        if (ended != nullptr) ended(socket_.Port(), why);
    }
}

bool UdpServer::ReceiveQueued(CallError* why) {
    char buffer[kDatagramBuffer];
    // Take everything that is queued before waiting again.
    while (running_.load() != 0) {
        std::size_t length = 0;
        switch (socket_.Receive(buffer, sizeof buffer, &length, why)) {
            case UdpSocket::Received::kFailed:
                return false;
            case UdpSocket::Received::kNone:
                return true;
            // An empty datagram carries nothing; it must not end reception,
            // or any sender could silence the listener with one. One that
            // did not fit is dropped whole rather than delivered cut off.
            case UdpSocket::Received::kEmpty:
            case UdpSocket::Received::kTooLarge:
                break;
            case UdpSocket::Received::kDatagram: {
                const ReceiveCallback callback = callback_.load();
                if (callback != nullptr) callback(buffer, static_cast<int>(length));
                break;
            }
        }
    }
    return true;
}
