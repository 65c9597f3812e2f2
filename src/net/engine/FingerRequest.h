// SPDX-License-Identifier: MIT
#pragma once

#include "DataNet.h"

namespace net {

// A finger address "user@host" or "host": split at the last "@" (never the first character);
// "/W " goes before the user part when fullInfo is exactly 1. Every host of the address (the
// relay form "user@host1@host2" names two) goes out in its ASCII form; the caption keeps the
// address as typed.
BuiltRequest fingerRequest(const QByteArray& typedAddress, int fullInfo);

} // namespace net
