// SPDX-License-Identifier: MIT
#include "DataNet.h"

namespace net {

DataNet fingerRequest(const QByteArray& address, int fullInfo) {
    DataNet request;
    request.Service = "finger";
    request.Protocol = "tcp";
    request.QueryText = address;
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
    return request;
}

DataNet whoisRequest(const QByteArray& server, const QByteArray& query) {
    DataNet request;
    request.Service = "whois";
    request.Protocol = "tcp";
    request.Host = server;
    request.QueryText = server;
    request.RequestLine = query + "\r\n";
    return request;
}

} // namespace net
