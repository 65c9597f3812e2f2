// SPDX-License-Identifier: MIT
#pragma once
// The RDAP writer's inside, shared by its two files: RdapText.cpp writes each kind of object
// (domain, network, AS number, entity, name server, search results, error), RdapParts.cpp the
// parts every object may hold (status and events, contacts, remarks and notices, links, what
// was redacted) and the short blocks of an entity's networks and AS numbers.

#include "RdapText.h"
#include "RdapWriter.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QSet>
#include <QStringList>

namespace net::rdap {

QString str(const QJsonObject& object, const char* key);
QStringList strings(const QJsonValue& list);
QString capitalised(QString text);

class Renderer {
public:
    Renderer(RdapWriter& out, RdapText& result) : m_out(out), m_result(result) {}

    void answer(const QJsonObject& object);

private:
    // RdapText.cpp: the kinds of object.
    void domain(const QJsonObject& object);
    void network(const QJsonObject& object);
    void autnum(const QJsonObject& object);
    void entityAnswer(const QJsonObject& object);
    void nameserverAnswer(const QJsonObject& object);
    void nameserver(int indent, const QJsonObject& object);
    void addresses(int indent, const QJsonObject& object);
    void secureDns(const QJsonObject& dns);
    void searchResults(const QJsonObject& object);
    void errorAnswer(const QJsonObject& object);

    // RdapParts.cpp: what every object may hold.
    void basics(int indent, const QJsonObject& object, bool withHandle = true);
    void finish(int indent, const QJsonObject& object, QSet<QString> known, int depth = 1);
    void events(int indent, const QJsonValue& list, const QString& suffix = QString());
    void entity(int indent, const QJsonObject& object, int depth);
    bool notes(int indent, const QJsonValue& list, const QString& label);
    bool links(int indent, const QJsonValue& list);
    void redacted(int indent, const QJsonValue& list);
    void port43(int indent, const QJsonObject& object);
    // An entity's networks and AS numbers, a short block each: range, name, type, status, link.
    // An entity's networks and AS numbers, or a reverse domain's network: written as the
    // objects themselves are, one level in.
    void networkBlocks(int indent, const QJsonValue& list, int depth);
    void autnumBlocks(int indent, const QJsonValue& list, int depth);
    void networkBody(int indent, const QJsonObject& network, int depth);
    void autnumBody(int indent, const QJsonObject& as, int depth);
    void variants(const QJsonValue& list);
    static QString range(const QJsonObject& network);
    static QString asRange(const QJsonObject& as);
    // The members known by name, less those whose value is not of the kind expected (notices
    // as an object, say), which the fallback shows instead of their being dropped.
    static QSet<QString> knownOf(const QJsonObject& object, QSet<QString> known);

    RdapWriter& m_out;
    RdapText& m_result;
    QString m_port43;
    QSet<QByteArray> m_cardsShown; // contacts written out whole once already
};

} // namespace net::rdap
