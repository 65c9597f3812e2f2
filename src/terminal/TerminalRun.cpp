// SPDX-License-Identifier: MIT
#include "TerminalRun.h"
#include "TerminalView.h"
#include "dialogs/DnsRecordsSettings.h"
#include "net/dns/DnsLookup.h"
#include "net/dns/DnsRecordsSession.h"
#include "net/engine/PlainCall.h"
#include "net/engine/QueryEngine.h"
#include "net/rdap/RdapLookup.h"
#include "net/whois/WhoisSession.h"
#include "platform/ProfileFile.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>

#include <cstdio>

namespace terminal {

namespace {

using Kind = app::StartQuery::Kind;

QJsonObject queryJson(const app::StartQuery& query) {
    static const char* const kinds[] = {"none", "finger", "whois", "dns", "records"};
    QJsonObject json{{QStringLiteral("kind"), QString::fromLatin1(kinds[int(query.kind)])},
                     {QStringLiteral("text"), query.text}};
    if (!query.server.isEmpty())
        json.insert(query.kind == Kind::Records ? QStringLiteral("resolver")
                                                : QStringLiteral("server"),
                    query.server);
    if (!query.type.isEmpty())
        json.insert(QStringLiteral("type"), query.type);
    if (!query.trustAnchors.isEmpty())
        json.insert(QStringLiteral("trustAnchors"), QJsonArray::fromStringList(query.trustAnchors));
    if (query.compare)
        json.insert(QStringLiteral("compare"), true);
    return json;
}

} // namespace

int runInTerminal(const app::StartQuery& query, bool json, const QString& settingsPath) {
    // Read only: a terminal run leaves the settings file and its histories as they are.
    const platform::ProfileFile settings(settingsPath);
    JsonReport report;
    report.setQuery(queryJson(query));
    TerminalView view(stdout, stderr, json ? &report : nullptr);
    QEventLoop loop;
    view.onEnded = [&loop] { loop.quit(); };
    net::QueryEngine engine(view);
    net::PlainCall finger(engine);
    net::RdapLookup rdap;
    net::WhoisSession whois(engine);
    whois.setRegistryLookup(&rdap);
    net::DnsLookup lookup(view);
    net::DnsRecordsSession records(engine);

    switch (query.kind) {
    case Kind::Finger:
        finger.Finger(query.text.toUtf8(), settings.readInt(QStringLiteral("Options"),
                                                            QStringLiteral("full_info"), 1) != 0
                                               ? 1
                                               : 0);
        break;
    case Kind::Whois:
        whois.start(
            query.server.toUtf8(), query.text.toUtf8(),
            {query.server.isEmpty(), settings.readInt(QStringLiteral("WhoIs"),
                                                      QStringLiteral("follow_referrals"), 1) != 0});
        break;
    case Kind::Dns: lookup.LookupHost(query.text.toUtf8()); break;
    case Kind::Records: {
        namespace stored = dialogs::dnsrecords;
        net::DnsRecordsRequest request;
        request.name = query.text.toUtf8();
        request.type = query.type.isEmpty() ? QStringLiteral("Common") : query.type;
        request.server = query.recordsServer();
        request.foundThrough = query.foundThrough();
        request.dnssec = settings.readInt(stored::Section, stored::DnssecKey, 1) != 0;
        const bool listed =
            settings.readBytes(stored::Section, stored::AnchorsKey, stored::AnchorsBytes)
                .has_value();
        request.trustAnchors = stored::anchorFiles(
            settings.readString(stored::Section, listed ? stored::AnchorsKey : stored::OldAnchorKey,
                                QString(), stored::AnchorsBytes));
        records.setRunTrustAnchors(query.trustAnchors);
        records.start(request);
        break;
    }
    case Kind::None: break;
    }
    // Nothing started (a name that cannot be asked, say): the status said why.
    const bool running = engine.Busy() || lookup.DnsBusy();
    if (running && !view.outcome())
        loop.exec();
    const bool answered = view.outcome() && view.outcome()->answered;
    if (json) {
        report.setOutcome(answered, view.outcome() ? view.outcome()->status : view.lastStatus());
        const QByteArray document = report.document();
        std::fwrite(document.constData(), 1, size_t(document.size()), stdout);
    }
    std::fflush(stdout);
    return answered ? Answered : NoAnswer;
}

} // namespace terminal
