// SPDX-License-Identifier: MIT
#include "TestNetwork.h"
#include "platform/WinsockErrors.h"

#include <QProcess>
#include <QThread>

#include <arpa/inet.h>
#include <sched.h>
#include <unistd.h>

void routeServicesTo(net::QueryEngine& engine, const LoopbackServer& server) {
    const quint16 port = server.portNetworkOrder();
    engine.setServiceLookup([port](const QByteArray&, const QByteArray&) {
        return std::optional<std::uint16_t>(port);
    });
}

platform::Resolver loopbackResolver() {
    platform::Resolver r;
    r.byName = [](const QByteArray& name) {
        if (name == "slow.test")
            QThread::msleep(400);
        platform::LookupAnswer answer;
        if (name == "nowhere.test") {
            answer.error = platform::WSAHOST_NOT_FOUND;
            return answer;
        }
        answer.entry.officialName = name;
        answer.entry.aliases = {"alias." + name};
        answer.entry.addresses = {platform::HostAddress::ipv4(htonl(INADDR_LOOPBACK))};
        return answer;
    };
    r.byAddress = [](const platform::HostAddress& address) {
        platform::LookupAnswer answer;
        answer.entry.officialName = "localhost";
        answer.entry.addresses = {address};
        return answer;
    };
    return r;
}

bool enterOwnNetwork() {
    return geteuid() == 0 && ::unshare(CLONE_NEWNET) == 0 &&
           QProcess::execute("ip", {"link", "set", "lo", "up"}) == 0;
}

bool enterNetworkWithPublicAddresses() {
    return enterOwnNetwork() &&
           QProcess::execute("ip", {"addr", "add", "198.51.100.1/24", "dev", "lo"}) == 0;
}
