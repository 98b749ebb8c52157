// The Win32 side of UdpSocket: a Winsock 2 datagram socket, bound with
// SO_EXCLUSIVEADDRUSE so that a port another program listens on is refused
// as on Linux rather than shared, and waited on through WSAEventSelect's
// event together with a wake event in WaitForMultipleObjects.
#include "platform/UdpSocket.h"

// winsock2.h first: windows.h may bring the old winsock.h.
#include <winsock2.h>
// After it.
#include <iphlpapi.h>
#include <mswsock.h>
#include <windows.h>
#include <ws2tcpip.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "platform/windows/Win32Text.h"

namespace {

// Winsock is started once for the program's life; 0 or the error of
// WSAStartup.
int WinsockStarted() {
    static const int started = [] {
        WSADATA data;
        return ErrorFromWin32(static_cast<unsigned long>(WSAStartup(MAKEWORD(2, 2), &data)));
    }();
    return started;
}

int SocketError() { return ErrorFromWin32(static_cast<unsigned long>(WSAGetLastError())); }

// Whether a UDP socket of any program is bound to `port` on IPv4. Windows
// answers a bind to a port that another socket holds exclusively with
// WSAEACCES, the same code it gives for ports its own rules keep back; the
// table of endpoints tells the two apart.
bool PortHeld(int port) {
    std::vector<char> table(16384);
    for (int tries = 0; tries < 4; ++tries) {
        ULONG size = static_cast<ULONG>(table.size());
        const DWORD result =
            GetExtendedUdpTable(table.data(), &size, FALSE, AF_INET, UDP_TABLE_BASIC, 0);
        if (result == ERROR_INSUFFICIENT_BUFFER) {
            table.resize(size + 4096);
            continue;
        }
        if (result != NO_ERROR) return false;
        const auto* rows = reinterpret_cast<const MIB_UDPTABLE*>(table.data());
        for (DWORD i = 0; i < rows->dwNumEntries; ++i)
            if (ntohs(static_cast<u_short>(rows->table[i].dwLocalPort)) == port) return true;
        return false;
    }
    return false;
}

}  // namespace

struct UdpSocket::Handle {
    SOCKET socket = INVALID_SOCKET;
    WSAEVENT readable = WSA_INVALID_EVENT;  // FD_READ, through WSAEventSelect
    HANDLE wake = nullptr;                  // auto-reset: one Wake, one kWoken
    int port = 0;
};

UdpSocket::UdpSocket() : handle_(std::make_unique<Handle>()) {}

UdpSocket::~UdpSocket() { Close(); }

bool UdpSocket::Open(int port, CallError* error) {
    Close();
    if (const int failure = WinsockStarted()) {
        *error = {failure, "WSAStartup"};
        return false;
    }
    Handle& h = *handle_;
    // Whatever did not come up is closed at once: repeated failed opens
    // must not leave handles behind.
    const auto fail = [&](const char* call, int failure) {
        *error = {failure, call};
        Close();
        return false;
    };
    h.socket = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (h.socket == INVALID_SOCKET) return fail("socket", SocketError());
    // Not handed to programs this one starts.
    SetHandleInformation(reinterpret_cast<HANDLE>(h.socket), HANDLE_FLAG_INHERIT, 0);
    BOOL exclusive = TRUE;
    if (::setsockopt(h.socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                     reinterpret_cast<const char*>(&exclusive), sizeof exclusive) != 0)
        return fail("setsockopt", SocketError());
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(h.socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        int failure = SocketError();
        if (failure == EACCES && port != 0 && PortHeld(port)) failure = EADDRINUSE;
        return fail("bind", failure);
    }
    int length = sizeof address;
    if (::getsockname(h.socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return fail("getsockname", SocketError());
    // No reset reports on a socket that only receives: an ICMP "port
    // unreachable" would otherwise fail the next recvfrom.
    BOOL report = FALSE;
    DWORD ignored = 0;
    WSAIoctl(h.socket, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &ignored, nullptr,
             nullptr);
    h.readable = WSACreateEvent();
    if (h.readable == WSA_INVALID_EVENT) return fail("WSACreateEvent", SocketError());
    // Makes the socket non-blocking as well.
    if (WSAEventSelect(h.socket, h.readable, FD_READ) != 0)
        return fail("WSAEventSelect", SocketError());
    u_long nonBlocking = 1;
    if (::ioctlsocket(h.socket, FIONBIO, &nonBlocking) != 0)
        return fail("ioctlsocket", SocketError());
    h.wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (h.wake == nullptr) return fail("CreateEvent", LastError());
    h.port = ntohs(address.sin_port);
    return true;
}

int UdpSocket::Close() {
    Handle& h = *handle_;
    int result = 0;
    if (h.socket != INVALID_SOCKET) result = ::closesocket(h.socket) == 0 ? 0 : -1;
    h.socket = INVALID_SOCKET;
    if (h.readable != WSA_INVALID_EVENT) WSACloseEvent(h.readable);
    h.readable = WSA_INVALID_EVENT;
    if (h.wake != nullptr) CloseHandle(h.wake);
    h.wake = nullptr;
    h.port = 0;
    return result;
}

bool UdpSocket::IsOpen() const { return handle_->socket != INVALID_SOCKET; }

int UdpSocket::Port() const { return handle_->port; }

UdpSocket::Event UdpSocket::Wait(CallError* error) {
    Handle& h = *handle_;
    if (h.socket == INVALID_SOCKET) {
        *error = {EBADF, "WaitForMultipleObjects"};
        return Event::kFailed;
    }
    // The wake event first: when both are set, the lower index wins.
    const HANDLE waits[2] = {h.wake, h.readable};
    const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (woke == WAIT_OBJECT_0) return Event::kWoken;
    if (woke != WAIT_OBJECT_0 + 1) {
        *error = {LastError(), "WaitForMultipleObjects"};
        return Event::kFailed;
    }
    // Resets the event; recvfrom sets it again while datagrams are queued.
    WSANETWORKEVENTS events{};
    if (WSAEnumNetworkEvents(h.socket, h.readable, &events) != 0) {
        *error = {SocketError(), "WSAEnumNetworkEvents"};
        return Event::kFailed;
    }
    return Event::kReadable;
}

UdpSocket::Received UdpSocket::Receive(char* buffer, std::size_t size, std::size_t* length,
                                       CallError* error) {
    const int wanted = size > 0x7fffffff ? 0x7fffffff : static_cast<int>(size);
    const int received = ::recvfrom(handle_->socket, buffer, wanted, 0, nullptr, nullptr);
    if (received == SOCKET_ERROR) {
        const int code = WSAGetLastError();
        switch (code) {
            // A datagram longer than the buffer: the rest of it is gone.
            case WSAEMSGSIZE:
                return Received::kTooLarge;
            // The socket itself is unusable.
            case WSAENOTSOCK:
            case WSAEFAULT:
            case WSAEINVAL:
            case WSAESHUTDOWN:
            case WSAENETDOWN:
            case WSANOTINITIALISED:
                *error = {ErrorFromWin32(static_cast<unsigned long>(code)), "recvfrom"};
                return Received::kFailed;
            // Nothing more queued (WSAEWOULDBLOCK), or a passing error: an
            // ICMP report about an earlier send (WSAECONNRESET,
            // WSAENETRESET), a moment without buffers.
            default:
                return Received::kNone;
        }
    }
    if (received == 0) return Received::kEmpty;
    *length = static_cast<std::size_t>(received);
    return Received::kDatagram;
}

void UdpSocket::Wake() {
    if (handle_->wake != nullptr) SetEvent(handle_->wake);
}
