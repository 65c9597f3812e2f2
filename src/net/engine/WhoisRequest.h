// SPDX-License-Identifier: MIT
#pragma once

#include "DataNet.h"

namespace net {

// The query and CR LF to the WhoIs service of server, typed as a host name (in Unicode or
// ASCII) or an address; the query's bytes go out as they are.
BuiltRequest whoisRequest(const QByteArray& server, const QByteArray& query);

} // namespace net
