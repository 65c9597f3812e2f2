// SPDX-License-Identifier: MIT
#pragma once
// The messages through which look-ups and sockets report back to the window thread. Each is a
// posted QEvent of a fixed type carrying a handle (wParam) and an lParam-style value: the error
// code in the high 16 bits (0 for success), the socket event code in the low 16 bits.

#include "HostEntry.h"

#include <QEvent>

#include <cstdint>

namespace platform {

inline constexpr int WM_HOSTRESOLVED = 26001;
inline constexpr int WM_SOCKETEVENT = 26002;
inline constexpr int WM_DNSREPLY = 26003;

// Socket event codes, as in the low 16 bits of a WM_SOCKETEVENT's lParam.
inline constexpr long FD_READ = 1;
inline constexpr long FD_WRITE = 2;
inline constexpr long FD_CONNECT = 16;
inline constexpr long FD_CLOSE = 32;

using HANDLE_T = std::uintptr_t;

constexpr std::uint32_t makeSelectReply(long event, int error) {
    return (static_cast<std::uint32_t>(error) << 16) | (static_cast<std::uint32_t>(event) & 0xFFFF);
}
constexpr int selectError(std::uint32_t lParam) {
    return static_cast<int>(lParam >> 16);
}
constexpr long selectEvent(std::uint32_t lParam) {
    return static_cast<long>(lParam & 0xFFFF);
}

class AsyncReplyEvent : public QEvent {
public:
    AsyncReplyEvent(int message, HANDLE_T handle, std::uint32_t value)
        : QEvent(static_cast<QEvent::Type>(message)), wParam(handle), lParam(value) {}

    const HANDLE_T wParam;      // the look-up handle or the socket
    const std::uint32_t lParam; // error << 16 | event
};

// The reply of a host look-up also carries the host entry it found.
class HostLookupEvent : public AsyncReplyEvent {
public:
    HostLookupEvent(int message, HANDLE_T handle, int error, HostEntry found)
        : AsyncReplyEvent(message, handle, makeSelectReply(0, error)), entry(std::move(found)) {}

    const HostEntry entry;
};

} // namespace platform
