// SPDX-License-Identifier: MIT
#pragma once
// One record of an answer as a line of zone-file text, "owner TTL class type rdata", that
// reads back to the wire data received. The packet library writes most types; the types it
// reads wrongly are written here from the raw rdata (SVCB and HTTPS with RFC 9460's escapes,
// NSAP-PTR as the name it is), the obsolete types it writes wrongly (NXT, SINK) take RFC 3597's
// generic form "\# length hex", a record with no rdata the generic empty form "\# 0",
// and no control character is left in the line (a tab inside a quoted string is "\009").
// A name in ASCII-encoded form ("xn--...") is followed by its Unicode form in a comment:
// the owner's, and each name in the rdata (an MX or SRV target, an NS, a CNAME).

#include "DnsWire.h"
#include "net/dns/DnsLibrary.h"

#include <QByteArray>
#include <QString>

namespace net {

// rr as the packet library parsed it; wire, when not null, is the same record in message.
QString recordText(const ldns_rr* rr, const QByteArray& message, const WireRecord* wire);

} // namespace net
