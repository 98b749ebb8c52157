// Why the UDP server could not start or stopped by itself, told so that the
// user knows what to do, and the rule for the port number the user types.
#pragma once

#include <optional>
#include <string>

#include "console/SystemError.h"

// The port of the "UDP port" field: a whole number from 1 to 65535, blanks
// around it allowed. Nothing when the text is anything else ("abc", "0",
// "70000", "123abc", "").
std::optional<int> ReadUdpPort(const std::string& text);

// What to say about a port text that ReadUdpPort refused.
FailureText DescribeInvalidUdpPort(const std::string& text);

// What to say about a start on `port` that failed in `error.call`, with
// hints in the terms of `advice`'s system.
FailureText DescribeUdpFailure(int port, const CallError& error,
                               SystemAdvice advice = ThisSystemsAdvice());

// What to say when the server listening on `port` stopped by itself because
// `error.call` failed.
FailureText DescribeUdpStop(int port, const CallError& error);
