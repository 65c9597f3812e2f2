// SPDX-License-Identifier: MIT
#pragma once
// What is wrong with how a zone is delegated and served, from the name servers a comparison
// found (see ZoneFinder), each fault named with its servers and the rule it breaks:
//   - a name server's name that is an alias (a CNAME), which resolvers need not follow;
//   - a name server inside the zone for which the parent gives no glue, so that it cannot be
//     reached from the delegation alone, and glue for a name outside the zone;
//   - fewer than two name servers, or every address in one network (one IPv4 /24 or one IPv6
//     /48, the other family absent): a single point of failure.

#include "ZoneServers.h"

#include <QList>
#include <QString>

namespace net {

struct DelegationFault {
    QString kind; // a short name for the summary: "name server is an alias", ...
    QString text; // the fault in one sentence, with its servers and its rule
    QStringList servers;
};

QList<DelegationFault> delegationFaults(const ZoneServers& zone);

} // namespace net
