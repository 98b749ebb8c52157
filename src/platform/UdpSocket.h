// A receive-only UDP socket on all local IPv4 interfaces, with a wake-up, so
// that one thread can wait for a datagram and another can end the wait.
//
//   Open     bind a port; the failed call and its error when it cannot
//   Close    close the socket (only once no thread waits on it)
//   Port     the port actually bound
//   Wait     block until a datagram is queued, Wake is called, or the socket fails
//   Receive  take one queued datagram whole, without waiting
//   Wake     end the current or next Wait, from any thread
#pragma once

#include <cstddef>
#include <memory>

#include "platform/SystemError.h"

class UdpSocket {
  public:
    UdpSocket();
    ~UdpSocket();  // closes it

    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Opens a socket bound to `port` (0 to 65535; 0 takes any free one) on
    // every local IPv4 interface, with its wake-up. False with the failed
    // call ("socket", "bind", ...) and its error in *error; nothing stays
    // open then.
    bool Open(int port, CallError* error);
    // 0, or -1 when closing the socket reported an error; 0 when none was
    // open. The thread that waited must have returned from Wait.
    int Close();
    bool IsOpen() const;
    // The port bound, 0 when none is.
    int Port() const;

    enum class Event {
        kReadable,  // a datagram may be queued: Receive until kNone
        kWoken,     // Wake was called (the wake-up is used up)
        kFailed,    // the socket cannot be waited on any more: *error says why
    };
    // Blocks until one of the events. A datagram and a wake-up at once give
    // kWoken. An interruption by a signal is waited through.
    Event Wait(CallError* error);

    enum class Received {
        kDatagram,  // *length bytes, 1 to `size`, are in `buffer`
        kEmpty,     // a datagram without bytes
        kTooLarge,  // a datagram longer than `size`: dropped whole
        kNone,      // nothing is queued (or a passing error): Wait again
        kFailed,    // the socket itself is unusable: *error says why
    };
    // Takes the next queued datagram, if any, without waiting.
    Received Receive(char* buffer, std::size_t size, std::size_t* length, CallError* error);

    // Any thread: the current or next Wait returns kWoken.
    void Wake();

  private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
};
