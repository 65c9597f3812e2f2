// SPDX-License-Identifier: MIT
#pragma once
// An authoritative DNS server (nsd, from Debian) for the DNS records tests, run unprivileged on
// a free port of 127.0.0.1 with zones made at test time:
//   secure.test   signed with a key made now (secure with its trust anchor)
//   bogus.test    signed with signatures that expired years ago
//   plain.test    unsigned; also an international name, a name of 1,000 TXT records (too
//                 large for UDP) and a delegation to a server that does not exist
//   2.0.192.in-addr.arpa and 8.b.d.0.1.0.0.2.ip6.arpa   PTR records
//   broken.test   a zone whose file is missing: every answer is SERVFAIL
// Names it has no zone for are refused. It also answers over TLS (dot.test's certificate,
// signed by a test authority). When the test runs as root, a second server answers on
// 127.0.0.153 port 53 with a root zone of its own and plain.test, so the resolver can start
// from "the root" as it does for real, and a resolv.conf can name it.

#include <QProcess>
#include <QSslConfiguration>
#include <QString>
#include <QTemporaryDir>

class DnsTestServer {
public:
    static constexpr const char* RootAddress = "127.0.0.153";

    DnsTestServer();
    ~DnsTestServer();

    bool running() const { return m_running; }
    const QString& error() const { return m_error; }
    quint16 port() const { return m_port; }
    quint16 tlsPort() const { return m_tlsPort; }
    bool servesRoot() const { return m_root; }
    // DS records of secure.test and bogus.test, as --trust-anchor takes them.
    QString trustAnchors() const { return m_dir.filePath("anchors.ds"); }
    // Trusts the test authority that signed dot.test's certificate.
    QSslConfiguration tlsConfiguration() const;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private:
    bool run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr);
    bool makeZones();
    bool sign(const QString& zone, const QStringList& extra);
    bool startNsd(QProcess& nsd, const QString& name, const QByteArray& listen,
                  const QStringList& zones);

    QTemporaryDir m_dir;
    QProcess m_nsd;
    QProcess m_rootNsd;
    quint16 m_port = 0;
    quint16 m_tlsPort = 0;
    bool m_root = false;
    bool m_running = false;
    QString m_error;
};

// A port on 127.0.0.1 that takes UDP and TCP and never answers: a silent DNS server.
class SilentDnsServer {
public:
    SilentDnsServer();
    ~SilentDnsServer();
    quint16 port() const { return m_port; }

private:
    int m_udp = -1;
    int m_tcp = -1;
    quint16 m_port = 0;
};
