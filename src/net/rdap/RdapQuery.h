// SPDX-License-Identifier: MIT
#pragma once
// What can be asked of an RDAP server (RFC 9082), in the words a user types, as the RDAP
// command-line clients take them: a type and a value, or a bare domain, address or AS number.
//   example.com  domain example.com        /domain/example.com
//   192.0.2.1    ip 192.0.2.0/24           /ip/192.0.2.1, /ip/192.0.2.0/24
//   AS64500      autnum 64500              /autnum/64500
//   entity GOVI-ARIN                       /entity/GOVI-ARIN
//   nameserver ns1.example.com             /nameserver/ns1.example.com   (also "ns")
//   domain-search exa*.com                 /domains?name=exa*.com        (also "domains")
//   nameserver-search ns*.example.com      /nameservers?name=...         (also "nameservers")
//   entity-search Jane Doe*                /entities?fn=Jane%20Doe*      (also "entities")
//   entity-search-by-handle GOV*           /entities?handle=GOV*         (also "handles")
// Names in Unicode go out in their ASCII form. Which bootstrap file names the server: the DNS
// one for names and name searches (by the top-level domain), the address and AS number ones,
// and the object tags for a tagged entity handle (GOVI-ARIN: RFC 8521); entity searches and an
// untagged handle name none, so they need a server given. At a server given, a bare word such
// as GOVI is taken as an entity handle.

#include <QByteArray>
#include <QString>

#include <optional>

namespace net {

struct RdapQuery {
    enum Kind {
        Domain,
        Ip,
        Autnum,
        Entity,
        Nameserver,
        DomainSearch,
        NameserverSearch,
        EntitySearch,
        EntityHandleSearch
    };
    // The bootstrap files (RFC 9224, RFC 8521) that name RDAP servers.
    enum Registry { Dns, Ipv4, Ipv6, Asn, ObjectTags, NoRegistry };

    Kind kind = Domain;
    QString value; // as it goes into the path or the search parameter, unencoded

    // The query typed; nothing, with why in problem, when it is none of the forms above or is
    // no text (a NUL, bytes that are not UTF-8). With a server given, a bare word that is no
    // domain, address or AS number is an entity handle (GOVI at a registry's base URL).
    static std::optional<RdapQuery> parse(const QByteArray& typed, QString* problem = nullptr,
                                          bool serverGiven = false);
    // Whether typed starts with one of the type words, so it is meant for RDAP alone.
    static bool isTyped(const QByteArray& typed);

    // The path and query after the server's base URL, percent-encoded.
    QString path() const;
    Registry registry() const;
    // What the registry's file is searched for: a name, an address, an AS number, a tag.
    QString registryKey() const;
    // For messages: "the domain example.com", "the entity GOVI-ARIN", "the search exa*.com".
    QString described() const;
};

} // namespace net
