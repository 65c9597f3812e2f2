// SPDX-License-Identifier: MIT
#pragma once
// Who is at the other end of a TCP connection on 127.0.0.1. Every local user can connect to a
// port on the loopback address; a listener that serves only its own process asks the kernel's
// socket diagnostics (NETLINK_SOCK_DIAG) for the connecting socket and looks for it among the
// process's own file descriptors.

#include <cstdint>

namespace platform {

// One end of a TCP connection over IPv4: the address in host byte order, and the port.
struct Ipv4End {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
};

// Whether the connection from peer to local (as the accepting side sees it) was made by a
// socket of this process: the kernel is asked for the socket with exactly these two ends, and
// that socket must be one of this process's file descriptors. False when it cannot be told.
bool isOwnConnection(Ipv4End local, Ipv4End peer);

} // namespace platform
