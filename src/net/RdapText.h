// SPDX-License-Identifier: MIT
#pragma once
// An RDAP answer (RFC 9083, JSON) as the readable lines the output window shows, in the order a
// person reads a record: the name and its Unicode form, the handle, the status, the events
// (registration, expiration, last change), the name servers, the entities by role with the
// name, organisation, e-mail, phone and address of their vCard, then the notices and remarks.
// Members the renderer does not know are not lost: they follow as "key: value" lines. An RDAP
// error object (errorCode, title, description) reads as such. Nothing in the answer is taken
// for markup, and nesting deeper than a record needs is shown flat rather than followed.

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
