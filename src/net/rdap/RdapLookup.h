// SPDX-License-Identifier: MIT
#pragma once
// Asks RDAP (RFC 9082, 9083) about any object a user can name (see RdapQuery), at a base URL
// given or at the server IANA's bootstrap files name for it. The bootstrap files are fetched
// only when needed and cached (see BootstrapCache); reading, checking and writing them, and
// turning an answer into text, happen on a worker thread, so the window never waits.
//
// One look-up has one deadline, DeadlineMs, for all it does, the bootstrap file and the answer
// together, however slowly a server drips its bytes; a link followed is an exchange of its own
// with its own deadline. Answers are capped at MaxAnswer. HTTP errors and RDAP error objects
// come back as a clear message with the code and the server, and the server's own words.

#include "BootstrapCache.h"
#include "RdapQuery.h"
#include "RdapText.h"
#include "RdapTransport.h"
#include "net/engine/RegistryLookup.h"

#include <QFutureWatcher>
#include <QObject>
#include <QTimer>

namespace net {

class RdapLookup : public QObject, public RegistryLookup {
public:
    static constexpr qint64 MaxAnswer = 4 * 1024 * 1024;
    static constexpr int DeadlineMs = 45000;

    RdapLookup();
    ~RdapLookup() override;

    // Where the bootstrap files are fetched from: the folder of dns.json, ipv4.json, ...
    void setBootstrapFolder(const QUrl& folder) { m_bootstrapFolder = folder; }
    void setCacheDirectory(const QString& directory) { m_cacheDirectory = directory; }
    void setMaxAnswer(qint64 bytes) { m_maxAnswer = bytes; }
    void setDeadline(int ms) { m_deadline.setInterval(ms); }
    void setResolver(platform::Resolver resolver) { m_transport.setResolver(std::move(resolver)); }
    void setSslConfiguration(const QSslConfiguration& configuration) {
        m_transport.setSslConfiguration(configuration);
    }

    // RegistryLookup
    bool isOwnQuery(const QByteArray& query) const override { return RdapQuery::isTyped(query); }
    QString whyNot(const QByteArray& query, bool serverGiven) const override;
    void lookUp(const QByteArray& query, const QUrl& base, bool publicOnly) override;
    void fetch(const QUrl& link, bool publicOnly) override;
    void cancel() override;
    void setTranscript(Transcript* transcript) override { m_transcript = transcript; }

private:
    // Tells the transcript of each HTTP request the answer took: its redirects, then itself.
    void record(const QString& kind, const RdapTransport::Answer& answer);
    friend struct RdapLookupWork;
    struct Found {
        std::optional<bootstrap::Cached> cached;
        QList<QUrl> bases;
        bool plainOnly = false;
        int skipped = 0; // malformed entries of the file
        QString problem; // why a fetched file was not taken
    };

    void useCache(const Found& found);
    void fetchBootstrap();
    void bootstrapFetched(const RdapTransport::Answer& answer);
    void useBases(const Found& found, bool fetchedNow);
    // Says how many entries of the server list were skipped; empty when none were.
    QString skippedNote() const;
    void queryAt(const QUrl& base);
    void answered(const RdapTransport::Answer& answer);
    void status(const QString& text);
    void fail(const QString& message, const QString& text = QString());
    void timedOut();

    RdapTransport m_transport;
    int m_skippedEntries = 0;
    QUrl m_bootstrapFolder{QStringLiteral("https://data.iana.org/rdap/")};
    QString m_cacheDirectory;
    qint64 m_maxAnswer = MaxAnswer;
    QTimer m_deadline;
    Transcript* m_transcript = nullptr;

    RdapQuery m_query;
    bool m_publicOnly = false;
    bool m_fetchingBootstrap = false;
    QString m_server; // the host last asked, for messages
    QFutureWatcher<Found> m_finding;
    QFutureWatcher<RdapText> m_rendering;
    RdapTransport::Answer m_answer; // the answer being rendered
};

} // namespace net
