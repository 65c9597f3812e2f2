// SPDX-License-Identifier: MIT
// What a user types as an RDAP query, on any bytes: it is refused with a reason or taken, never
// both; what is taken goes out as a path of printable ASCII only (no space, no control
// character, nothing that could end the request line); a NUL or bytes that are not UTF-8 are
// always refused. The first byte says whether a server was given.
#include "net/rdap/RdapQuery.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const bool serverGiven = data[0] & 1;
    const QByteArray typed(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    QString problem;
    const std::optional<net::RdapQuery> query = net::RdapQuery::parse(typed, &problem, serverGiven);
    if (query.has_value() == !problem.isEmpty())
        std::abort();
    if (!query)
        return 0;
    if (typed.contains('\0') || !typed.isValidUtf8())
        std::abort();
    for (const QChar c : query->path())
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7F)
            std::abort();
    if (query->described().isEmpty())
        std::abort();
    if (!serverGiven && query->registry() == net::RdapQuery::NoRegistry &&
        query->kind != net::RdapQuery::EntitySearch &&
        query->kind != net::RdapQuery::EntityHandleSearch && query->kind != net::RdapQuery::Entity)
        std::abort(); // every other kind is found through a bootstrap file
    return 0;
}
