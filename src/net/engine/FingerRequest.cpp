// SPDX-License-Identifier: MIT
#include "FingerRequest.h"
#include "HostNames.h"

namespace net {

BuiltRequest fingerRequest(const QByteArray& typedAddress, int fullInfo) {
    const AsciiName ascii = asciiFingerAddress(typedAddress);
    if (!ascii.error.isEmpty())
        return {{}, ascii.error};
    const QByteArray& address = ascii.name;
    DataNet request;
    request.Service = "finger";
    request.Protocol = "tcp";
    request.QueryText = typedAddress;
    const qsizetype at = address.lastIndexOf('@');
    QByteArray user;
    if (at >= 1) {
        user = address.left(at);
        request.Host = address.mid(at + 1);
    } else {
        request.Host = address;
    }
    if (!user.isEmpty())
        request.RequestLine = (fullInfo == 1 ? QByteArray("/W ") : QByteArray()) + user;
    request.RequestLine += "\r\n";
    return {request, {}};
}

} // namespace net
