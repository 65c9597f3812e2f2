// SPDX-License-Identifier: MIT
#include "WhoisRequest.h"
#include "HostNames.h"

namespace net {

BuiltRequest whoisRequest(const QByteArray& server, const QByteArray& query) {
    const AsciiName ascii = asciiHost(server);
    if (!ascii.error.isEmpty())
        return {{}, ascii.error};
    DataNet request;
    request.Service = "whois";
    request.Protocol = "tcp";
    request.Host = ascii.name;
    request.QueryText = server;
    request.RequestLine = query + "\r\n";
    return {request, {}};
}

} // namespace net
