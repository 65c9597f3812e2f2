// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace net {

// The program's text for a Windows Sockets error code, or "Windows Sockets error: %d" for a
// code without one.
QString SocketErrorText(int code);

} // namespace net
