// SPDX-License-Identifier: MIT
#pragma once
// An RDAP answer (RFC 9083, JSON) as the lines the output window shows, in the order a person
// reads a registry record: what the object is first (a domain, a network with its range, an AS
// number, a name server, a contact with its card, a list of search results with its count),
// then its handle, status, public identifiers and events (in date order, with who did them),
// its name servers, its contacts with their cards (RFC 7095: address lines, phones and faxes
// told apart), its remarks, what was redacted and why (RFC 9537), its notices with their links
// and its own links. Members the renderer has no words for are shown as indented key: value
// lines, never as JSON. Nothing in the answer is taken for markup, and the text stays within a
// small multiple of the answer's size whatever its shape (see RdapWriter).
#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

namespace net {

struct RdapText {
    QString text;               // lines ending in '\n'
    QString error;              // why the answer could not be read; text is empty then
    bool isErrorObject = false; // an RDAP error object (errorCode, title, description)
    // The object's links to more RDAP about it ("related", application/rdap+json): a
    // registry's link to the registrar's record.
    QList<QUrl> related;
};

RdapText rdapToText(const QByteArray& json);

} // namespace net
