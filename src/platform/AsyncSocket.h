// SPDX-License-Identifier: MIT
#pragma once
// Non-blocking TCP sockets (IPv4 and IPv6) that report their events as posted messages, the way the
// classic asynchronous socket interface does:
//   FD_CONNECT once when a connection attempt ends, with its error;
//   FD_WRITE once when the connected socket is writable, and again only after a send that
//            would have blocked;
//   FD_READ  while data waits, once per recv (a recv that leaves data behind brings another);
//   FD_CLOSE once the peer has closed and every byte has been read, or with an error on reset.
// Sockets are handles that are never reused, so a late message names a socket that is gone.
// Every call runs on the thread that owns the receivers.

#include "SocketEvents.h"

#include <QObject>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/types.h>

namespace platform {

using SOCKET = HANDLE_T;
inline constexpr SOCKET INVALID_SOCKET = ~SOCKET(0);
inline constexpr int SOCKET_ERROR = -1;

SOCKET socket(int family = AF_INET);

// Selects which events are posted to receiver as messages of type message; each call replaces
// the previous selection, and a mask of 0 stops all notifications.
int WSAAsyncSelect(SOCKET s, QObject* receiver, int message, long mask);

// Starts connecting. On a non-blocking socket this fails with WSAEWOULDBLOCK and FD_CONNECT
// reports the outcome.
int connect(SOCKET s, const sockaddr* address, socklen_t length);
inline int connect(SOCKET s, const sockaddr_in& address) {
    return connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address);
}

// Returns the bytes sent, or SOCKET_ERROR with the code in WSAGetLastError().
int send(SOCKET s, const char* data, int length);

// Returns the bytes read, 0 once the peer has closed, or SOCKET_ERROR.
int recv(SOCKET s, char* buffer, int length);

int closesocket(SOCKET s);

// How many sockets are open; for tests that check nothing is left behind.
int openSocketCount();

} // namespace platform
