// SPDX-License-Identifier: MIT
#include "TerminalRun.h"
#include "TerminalView.h"
#include "dialogs/DnsRecordsSettings.h"
#include "net/dns/chain/ChainPicture.h"
#include "net/dns/lookup/DnsLookup.h"
#include "net/dns/records/DnsRecordsSession.h"
#include "net/engine/PlainCall.h"
#include "net/engine/QueryEngine.h"
#include "net/rdap/RdapLookup.h"
#include "net/whois/WhoisSession.h"
#include "platform/ProfileFile.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QSaveFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace terminal {

namespace {

using Kind = app::StartQuery::Kind;

QJsonObject queryJson(const app::StartQuery& query) {
    static const char* const kinds[] = {"none", "finger", "whois", "dns", "records"};
    QJsonObject json{{QStringLiteral("kind"), QString::fromLatin1(kinds[int(query.kind)])},
                     {QStringLiteral("text"), query.text}};
    if (!query.textBytes.isEmpty())
        json.insert(QStringLiteral("textBase64"), QString::fromLatin1(query.textBytes.toBase64()));
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
    if (query.chain)
        json.insert(QStringLiteral("chain"), true);
    if (!query.picture.isEmpty())
        json.insert(QStringLiteral("picture"), query.picture);
    if (query.mail)
        json.insert(QStringLiteral("mail"), true);
    if (!query.selectors.isEmpty())
        json.insert(QStringLiteral("selectors"), QJsonArray::fromStringList(query.selectors));
    return json;
}

QString writePicture(const net::ChainReport& chain, const QString& path,
                     const PictureWriter& pictures) {
    const QByteArray svg = net::chainSvg(chain);
    if (path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) {
        if (!pictures)
            return QStringLiteral("PNG pictures are drawn by vintrel; this program writes SVG");
        return pictures(svg, path);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(svg) != svg.size() || !file.commit())
        return file.errorString();
    return {};
}

} // namespace

int runInTerminal(const app::StartQuery& query, bool json, const QString& settingsPath,
                  const PictureWriter& pictures) {
    QString pictureError;
    // A reader that goes away is seen as EPIPE on the next write, and the run ends quietly with
    // the status a pipe's writer has, rather than being killed mid-call.
    std::signal(SIGPIPE, SIG_IGN);
    // Read only: a terminal run leaves the settings file and its histories as they are.
    const platform::ProfileFile settings(settingsPath);
    JsonReport report;
    report.setQuery(queryJson(query));
    TerminalView view(stdout, stderr, json ? &report : nullptr);
    QEventLoop loop;
    view.onEnded = [&loop] { loop.quit(); };
    net::QueryEngine engine(view);
    // Nobody can read the rest: the call stops at once.
    view.onOutputFailed = [&] {
        engine.CancelCall();
        loop.quit();
    };
    net::PlainCall finger(engine);
    net::RdapLookup rdap;
    net::WhoisSession whois(engine);
    whois.setRegistryLookup(&rdap);
    net::DnsLookup lookup(view);
    net::DnsRecordsSession records(engine);

    switch (query.kind) {
    case Kind::Finger:
        finger.Finger(query.bytes(), settings.readInt(QStringLiteral("Options"),
                                                      QStringLiteral("full_info"), 1) != 0
                                         ? 1
                                         : 0);
        break;
    case Kind::Whois:
        whois.start(
            query.server.toUtf8(), query.bytes(),
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
        request.trustAnchors = stored::storedAnchorFiles(settings);
        request.chain = query.chain;
        request.mail = query.mail;
        request.selectors = query.selectors;
        records.setRunTrustAnchors(query.trustAnchors);
        if (!query.picture.isEmpty())
            records.chain().onReport = [&](const net::ChainReport& chain) {
                pictureError = writePicture(chain, query.picture, pictures);
            };
        records.start(request);
        break;
    }
    case Kind::None: break;
    }
    // Nothing started (a name that cannot be asked, say): the status said why.
    const bool running = engine.Busy() || lookup.DnsBusy();
    if (running && !view.outcome())
        loop.exec();
    const net::Answer answer = view.outcome() ? view.outcome()->answer : net::Answer::None;
    if (json && !view.outputError()) {
        report.setOutcome(answer, view.outcome() ? view.outcome()->status : view.lastStatus());
        view.writeOut(report.document());
    }
    view.flushOut();
    if (report.truncatedExchanges() > 0 && !view.outputError())
        std::fprintf(stderr,
                     "vintrel: the JSON keeps the first %lld MiB of an answer; %d answer(s) were "
                     "longer and are marked \"truncated\"\n",
                     static_cast<long long>(net::Transcript::MaxReceived / (1024 * 1024)),
                     report.truncatedExchanges());
    if (!pictureError.isEmpty()) {
        std::fprintf(stderr, "vintrel: the picture could not be written to %s: %s\n",
                     qPrintable(query.picture), qPrintable(pictureError));
        return OutputFailed;
    }
    if (const int error = view.outputError()) {
        if (error == EPIPE)
            return OutputClosed;
        std::fprintf(stderr, "vintrel: standard output: %s\n", std::strerror(error));
        return OutputFailed;
    }
    switch (answer) {
    case net::Answer::None: return NoAnswer;
    case net::Answer::Whole: return Answered;
    case net::Answer::Partial: return PartialAnswer;
    case net::Answer::Differs: return ServersDiffer;
    case net::Answer::Faults: return ChecksFailed;
    }
    return NoAnswer;
}

} // namespace terminal
