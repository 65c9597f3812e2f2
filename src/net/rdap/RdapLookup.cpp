// SPDX-License-Identifier: MIT
#include "RdapLookup.h"
#include "BootstrapFile.h"

#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

namespace net {

namespace {

QString statusReason(int status) {
    if (status == 404)
        return QStringLiteral("not found");
    if (status == 429)
        return QStringLiteral("too many requests, try again later");
    if (status >= 500)
        return QStringLiteral("server error");
    return QStringLiteral("refused");
}

} // namespace

// The bootstrap files' work, done on a worker thread: a file of up to 4 MiB is parsed, checked
// and written to disk there, not on the window's thread.
struct RdapLookupWork {
    static RdapLookup::Found inCache(const QString& folder, const RdapQuery& query) {
        RdapLookup::Found found;
        found.cached = bootstrap::readCached(folder, query.registry());
        if (found.cached) {
            const bootstrap::Bases bases =
                bootstrap::basesFor(query.registry(), found.cached->json, query.registryKey());
            found.bases = bases.https;
            found.plainOnly = bases.plainOnly;
            found.skipped = bases.skipped;
        }
        return found;
    }
    // A file just fetched: kept and used when it is a bootstrap file, else the cached copy.
    static RdapLookup::Found fetched(const QString& folder, const RdapQuery& query,
                                     const QByteArray& json, const QString& problem) {
        if (problem.isEmpty() && bootstrap::isBootstrap(query.registry(), json)) {
            bootstrap::writeCached(folder, query.registry(), json);
            RdapLookup::Found found;
            const bootstrap::Bases bases =
                bootstrap::basesFor(query.registry(), json, query.registryKey());
            found.bases = bases.https;
            found.plainOnly = bases.plainOnly;
            found.skipped = bases.skipped;
            found.cached = bootstrap::Cached{json, 0};
            return found;
        }
        RdapLookup::Found stale = inCache(folder, query);
        stale.problem =
            problem.isEmpty() ? QStringLiteral("what came back is no RDAP server list") : problem;
        return stale;
    }
};

RdapLookup::RdapLookup()
    : m_cacheDirectory(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                       QStringLiteral("/vintrel")) {
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(DeadlineMs);
    connect(&m_deadline, &QTimer::timeout, this, &RdapLookup::timedOut);
    m_transport.onDone = [this](const RdapTransport::Answer& answer) {
        if (m_fetchingBootstrap)
            bootstrapFetched(answer);
        else
            answered(answer);
    };
    connect(&m_rendering, &QFutureWatcher<RdapText>::finished, this, [this] {
        if (m_rendering.isCanceled() || !m_deadline.isActive())
            return;
        m_deadline.stop();
        const RdapText rendered = m_rendering.result();
        if (!rendered.error.isEmpty()) {
            fail(QStringLiteral("RDAP server %1: %2").arg(m_server, rendered.error));
            return;
        }
        // What the server list could not say is told above the answer.
        const QString note =
            m_skippedEntries ? QStringLiteral("--- ") + skippedNote() + QStringLiteral(" ---\n\n")
                             : QString();
        if (onAnswer)
            onAnswer({note + rendered.text, rendered.related, m_server,
                      !m_answer.address || m_answer.address->isPublic()});
    });
}

RdapLookup::~RdapLookup() {
    cancel();
    m_finding.waitForFinished();
    m_rendering.waitForFinished();
}

QString RdapLookup::whyNot(const QByteArray& query, bool serverGiven) const {
    QString problem;
    const std::optional<RdapQuery> parsed = RdapQuery::parse(query, &problem, serverGiven);
    if (!parsed)
        return problem;
    if (!serverGiven && parsed->registry() == RdapQuery::NoRegistry)
        return QStringLiteral("No RDAP server can be found for %1: type the server's base URL "
                              "(https://...) as the server")
            .arg(parsed->described());
    return {};
}

void RdapLookup::lookUp(const QByteArray& typed, const QUrl& base, bool publicOnly) {
    cancel();
    m_skippedEntries = 0;
    m_publicOnly = publicOnly;
    QString problem;
    const bool serverGiven = base.isValid() && !base.isEmpty();
    const std::optional<RdapQuery> query = RdapQuery::parse(typed, &problem, serverGiven);
    m_deadline.start();
    if (!query) {
        fail(problem);
        return;
    }
    m_query = *query;
    if (base.isValid() && !base.isEmpty()) {
        queryAt(base);
        return;
    }
    if (m_query.registry() == RdapQuery::NoRegistry) {
        fail(whyNot(typed, false));
        return;
    }
    m_finding.disconnect(this);
    connect(&m_finding, &QFutureWatcher<Found>::finished, this,
            [this] { useCache(m_finding.result()); });
    m_finding.setFuture(QtConcurrent::run(&RdapLookupWork::inCache, m_cacheDirectory, m_query));
}

void RdapLookup::useCache(const Found& found) {
    if (!m_deadline.isActive())
        return;
    if (found.cached && found.cached->fresh()) {
        useBases(found, false);
        return;
    }
    fetchBootstrap();
}

void RdapLookup::fetchBootstrap() {
    const QUrl url = m_bootstrapFolder.resolved(QUrl(bootstrap::remoteName(m_query.registry())));
    m_server = url.host();
    status(QStringLiteral("Fetching the RDAP server list from ") + m_server);
    m_fetchingBootstrap = true;
    m_transport.get(url, "application/json", bootstrap::MaxSize, false);
}

void RdapLookup::bootstrapFetched(const RdapTransport::Answer& answer) {
    m_fetchingBootstrap = false;
    record(QStringLiteral("bootstrap"), answer);
    QString problem;
    if (answer.tooLarge)
        problem = QStringLiteral("the file is too large");
    else if (answer.status == 0)
        problem =
            (answer.certificate ? QStringLiteral("certificate error: ") : QString()) + answer.error;
    else if (answer.status != 200)
        problem = QStringLiteral("HTTP %1").arg(answer.status);
    m_finding.disconnect(this);
    connect(&m_finding, &QFutureWatcher<Found>::finished, this, [this] {
        const Found found = m_finding.result();
        if (!m_deadline.isActive())
            return;
        // Better an older list than none; a page that is no list never replaces it.
        if (!found.problem.isEmpty() && !found.cached) {
            fail(QStringLiteral("The RDAP server list could not be fetched from %1: %2")
                     .arg(m_server, found.problem));
            return;
        }
        useBases(found, true);
    });
    m_finding.setFuture(QtConcurrent::run(&RdapLookupWork::fetched, m_cacheDirectory, m_query,
                                          answer.body, problem));
}

QString RdapLookup::skippedNote() const {
    if (m_skippedEntries == 0)
        return {};
    return QStringLiteral("%1 %2 of the RDAP server list %3 %4 not of its form and %5 skipped")
        .arg(m_skippedEntries)
        .arg(m_skippedEntries == 1 ? QStringLiteral("entry") : QStringLiteral("entries"),
             bootstrap::remoteName(m_query.registry()),
             m_skippedEntries == 1 ? QStringLiteral("is") : QStringLiteral("are"),
             m_skippedEntries == 1 ? QStringLiteral("was") : QStringLiteral("were"));
}

void RdapLookup::useBases(const Found& found, bool fetchedNow) {
    m_skippedEntries = found.skipped;
    if (!found.bases.isEmpty()) {
        queryAt(found.bases.first());
        return;
    }
    // A registry added since the copy was made is found in a fresh one.
    const qint64 age = found.cached ? found.cached->ageSeconds : -1;
    if (!fetchedNow && (age < 0 || age > bootstrap::RecheckAgeSeconds)) {
        fetchBootstrap();
        return;
    }
    const QString skipped =
        m_skippedEntries ? QStringLiteral(" (") + skippedNote() + ')' : QString();
    if (found.plainOnly)
        fail(QStringLiteral("No HTTPS RDAP server is known for %1: the registry names only "
                            "servers over plain HTTP%2")
                 .arg(m_query.described(), skipped));
    else
        fail(QStringLiteral("No RDAP server is known for %1%2").arg(m_query.described(), skipped));
}

void RdapLookup::queryAt(const QUrl& base) {
    QString path = base.toString();
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    const QUrl url(path + m_query.path());
    m_server = url.host();
    status(QStringLiteral("Asking RDAP server ") + m_server);
    m_fetchingBootstrap = false;
    m_transport.get(url, "application/rdap+json", m_maxAnswer, m_publicOnly);
}

void RdapLookup::record(const QString& kind, const RdapTransport::Answer& answer) {
    if (!m_transcript)
        return;
    for (const auto& [url, status] : answer.redirects)
        m_transcript->httpAnswer(kind, url, status, {});
    m_transcript->httpAnswer(kind, answer.url, answer.status, answer.body);
}

void RdapLookup::fetch(const QUrl& link, bool publicOnly) {
    cancel();
    m_skippedEntries = 0;
    m_deadline.start(); // a new exchange, with its own time
    m_server = link.host();
    status(QStringLiteral("Asking RDAP server ") + m_server);
    m_fetchingBootstrap = false;
    m_transport.get(link, "application/rdap+json", m_maxAnswer, publicOnly);
}

void RdapLookup::answered(const RdapTransport::Answer& answer) {
    record(QStringLiteral("rdap"), answer);
    m_server = answer.server();
    if (answer.tooLarge) {
        fail(QStringLiteral("RDAP server %1: the answer is too large (over %2 MiB)")
                 .arg(m_server)
                 .arg(m_maxAnswer / (1024 * 1024)));
        return;
    }
    if (answer.status == 0) { // no HTTP answer: a refusal, a connection or certificate failure
        const QString why = answer.certificate ? QStringLiteral("certificate error: ") : QString();
        fail(QStringLiteral("RDAP server %1: %2%3").arg(m_server, why, answer.error));
        return;
    }
    if (answer.status != 200) {
        // The server's own words, when it gave an error object (small: rendered here).
        const RdapText rendered = rdapToText(answer.body.left(64 * 1024));
        fail(QStringLiteral("RDAP server %1: %2 (HTTP %3)")
                 .arg(m_server, statusReason(answer.status))
                 .arg(answer.status),
             rendered.isErrorObject ? rendered.text : QString());
        return;
    }
    m_answer = answer;
    m_rendering.setFuture(QtConcurrent::run(rdapToText, answer.body));
}

void RdapLookup::status(const QString& text) {
    if (onStatus)
        onStatus(text);
}

void RdapLookup::fail(const QString& message, const QString& text) {
    m_deadline.stop();
    if (onFailed)
        onFailed(message, text);
}

void RdapLookup::timedOut() {
    const QString server = m_server;
    cancel();
    fail(QStringLiteral("RDAP server %1: Timed out").arg(server));
}

void RdapLookup::cancel() {
    m_deadline.stop();
    m_transport.cancel();
    m_finding.disconnect(this);
    if (m_rendering.isRunning())
        m_rendering.cancel(); // the text is dropped when it is ready
}

} // namespace net
