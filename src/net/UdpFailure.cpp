#include "net/UdpFailure.h"

#include <cerrno>
#include <charconv>

namespace {

constexpr int kHighestPort = 65535;
// Binding a port below this needs privileges (CAP_NET_BIND_SERVICE) unless
// the system lowered net.ipv4.ip_unprivileged_port_start.
constexpr int kFirstUnprivilegedPort = 1024;

std::string Trimmed(const std::string& text) {
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace

std::optional<int> ReadUdpPort(const std::string& text) {
    const std::string digits = Trimmed(text);
    if (digits.empty() || digits.size() > 5) return std::nullopt;
    int port = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, port);
    if (error != std::errc() || stop != end || port < 1 || port > kHighestPort) return std::nullopt;
    return port;
}

FailureText DescribeInvalidUdpPort(const std::string& text) {
    FailureText failure;
    failure.reason = "UDP port \"" + text + "\" refused: not a whole number from 1 to 65535";
    failure.summary = text.empty() ? "No UDP port given." : "\"" + text + "\" is not a UDP port.";
    failure.hint = "Type a whole number from 1 to 65535, such as 50000.";
    return failure;
}

FailureText DescribeUdpFailure(int port, const CallError& error, SystemAdvice advice) {
    const bool windows = advice == SystemAdvice::Windows;
    FailureText failure;
    if (error.error == 0) return failure;
    const std::string portText = std::to_string(port);
    failure.reason = error.call + " UDP port " + portText + ": " + SystemErrorWithName(error.error);
    switch (error.error) {
        case EADDRINUSE:
            failure.summary = "UDP port " + portText + " is in use by another program.";
            failure.hint = "Stop that program, or choose another port. See which with: " +
                           (windows ? "netstat -ano -p udp | findstr :" + portText
                                    : "sudo ss -ulpn 'sport = :" + portText + "'");
            break;
        case EACCES:
        case EPERM:
            failure.summary = "No permission to use UDP port " + portText + ".";
            // Windows keeps ranges of ports for itself, at any number.
            if (windows)
                failure.hint =
                    "Windows keeps it for itself or a firewall rule forbids it: choose another "
                    "port (netsh int ipv4 show excludedportrange protocol=udp lists the kept "
                    "ones).";
            else if (port < kFirstUnprivilegedPort)
                failure.hint = "Ports below 1024 need privileges: choose one from 1024 to 65535.";
            else
                failure.hint =
                    "The system's rules (a firewall or security module) forbid it: "
                    "choose another port.";
            break;
        case EADDRNOTAVAIL:
            failure.summary = "UDP port " + portText + " is not available on this computer.";
            failure.hint = "Choose another port.";
            break;
        case EMFILE:
        case ENFILE:
            failure.summary = "Too many files are open to start the UDP server.";
            failure.hint = "Close other programs or ports, then start again.";
            break;
        case EAFNOSUPPORT:
            failure.summary = "This computer has no IPv4 network.";
            break;
        default:
            failure.summary = "The UDP server could not start on port " + portText + ": " +
                              SystemErrorText(error.error) + ".";
            break;
    }
    return failure;
}

FailureText DescribeUdpStop(int port, const CallError& error) {
    const std::string portText = std::to_string(port);
    FailureText failure;
    failure.reason = error.call + " UDP port " + portText + ": " + SystemErrorWithName(error.error);
    failure.summary = "The UDP server stopped listening on port " + portText + ": " +
                      SystemErrorText(error.error) + ".";
    failure.hint = "Press Start to listen again.";
    return failure;
}
