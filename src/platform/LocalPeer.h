// SPDX-License-Identifier: MIT
#pragma once
// Who is at the other end of a TCP connection on 127.0.0.1. Every local user can connect to a
// port on the loopback address; a listener that serves only its own process asks the kernel's
// socket diagnostics (NETLINK_SOCK_DIAG) for the connecting socket and looks for it among the
// process's own file descriptors.

#include <cstdint>

namespace platform {

// Whether the connection from 127.0.0.1:peerPort to 127.0.0.1:localPort was made by a socket
// of this process. False when it cannot be told.
bool isOwnLoopbackConnection(std::uint16_t localPort, std::uint16_t peerPort);

} // namespace platform
