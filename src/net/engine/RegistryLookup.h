// SPDX-License-Identifier: MIT
#pragma once
// What the WhoIs session asks of the registries' newer protocol (RDAP) where WhoIs has gone or
// where the user asked for it: a query as typed, answered as text with the links it gives to
// more, or refused with a reason. The engine defines it so that the WhoIs and RDAP rooms meet
// here and nowhere else; the window hands the session the RDAP room's look-up.

#include "Transcript.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <functional>

namespace net {

class RegistryLookup {
public:
    struct Answer {
        QString text;        // as the window shows it
        QList<QUrl> related; // links to more about the object (a registrar's record)
        QString server;      // the host that answered
        bool fromPublicAddress = true;
    };

    virtual ~RegistryLookup() = default;

    std::function<void(const QString& status)> onStatus;
    // Each look-up or fetch ends in one of these, unless it is cancelled. text: the server's
    // own words, when it gave some with its refusal.
    std::function<void(const Answer& answer)> onAnswer;
    std::function<void(const QString& message, const QString& text)> onFailed;

    // Whether query, as typed, asks for something only this protocol answers ("entity GOVI").
    virtual bool isOwnQuery(const QByteArray& query) const = 0;
    // Why query cannot be asked; empty when it can. serverGiven: a base URL comes with it.
    virtual QString whyNot(const QByteArray& query, bool serverGiven) const = 0;
    // Asks at base, or at the server the registries name for the query. publicOnly: the
    // answer may come only from a public address.
    virtual void lookUp(const QByteArray& query, const QUrl& base, bool publicOnly) = 0;
    // Asks for what a link an answer gave points to, as an exchange of its own.
    virtual void fetch(const QUrl& link, bool publicOnly) = 0;
    virtual void cancel() = 0;
    virtual void setTranscript(Transcript* transcript) = 0;
};

} // namespace net
