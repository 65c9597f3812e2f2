// SPDX-License-Identifier: MIT
#pragma once
// The program's error vocabulary: the classic Windows Sockets error codes. Socket calls report
// 10000 plus the BSD number of their errno (refused 10061, reset 10054, ...); resolver
// failures report 11001 to 11004.

namespace platform {

inline constexpr int WSAEINTR = 10004;
inline constexpr int WSAEINVAL = 10022;
inline constexpr int WSAEWOULDBLOCK = 10035;
inline constexpr int WSAEINPROGRESS = 10036;
inline constexpr int WSAENOTSOCK = 10038;
inline constexpr int WSAENETUNREACH = 10051;
inline constexpr int WSAECONNRESET = 10054;
inline constexpr int WSAENOBUFS = 10055;
inline constexpr int WSAETIMEDOUT = 10060;
inline constexpr int WSAECONNREFUSED = 10061;
inline constexpr int WSAEHOSTUNREACH = 10065;
inline constexpr int WSAHOST_NOT_FOUND = 11001;
inline constexpr int WSATRY_AGAIN = 11002;
inline constexpr int WSANO_RECOVERY = 11003;
inline constexpr int WSANO_DATA = 11004;

// The Windows Sockets code for an errno value of a socket call.
int wsaErrorFromErrno(int error);

// The Windows Sockets code for a resolver h_errno value.
int wsaErrorFromHostError(int hostError);

// The calling thread's last socket error.
int WSAGetLastError();
void WSASetLastError(int error);

} // namespace platform
