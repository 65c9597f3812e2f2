// SPDX-License-Identifier: MIT
#pragma once
// The authoritative servers of a zone as a comparison asks them: the zone that holds a name,
// the name servers its own NS set names and those its parent's delegation names, each with
// the addresses the zone gives it and the glue the parent gives it.

#include "platform/HostEntry.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace net {

struct NameServerAddresses {
    QByteArray name;                        // lower case, with the final dot
    QList<platform::HostAddress> addresses; // the zone's own A and AAAA records
    QList<platform::HostAddress> glue;      // the parent's
    QString problem;                        // why no address was found
    bool inZone = false;                    // named by the zone's NS set
    bool atParent = false;                  // named by the parent's delegation
    QByteArray aliasOf;                     // what the name is an alias (CNAME) of, if it is
};

struct ZoneServers {
    QByteArray zone;   // "example.com."
    QByteArray parent; // "com."; empty for the root
    bool delegationSeen = false;
    QString delegationProblem; // why the parent's delegation could not be seen
    QList<NameServerAddresses> servers;
    qsizetype namesLeftOut = 0; // name servers beyond the most that are looked up
    QByteArray keys;            // the resolver's answer for the zone's DNSKEY records
    bool keysSecure = false;
    QString error; // why the zone or its servers could not be found
};

} // namespace net
