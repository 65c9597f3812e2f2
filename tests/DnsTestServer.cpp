// SPDX-License-Identifier: MIT
#include "DnsTestServer.h"
#include "Nsd.h"

#include <QDir>
#include <QFile>
#include <QSslCertificate>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A port that both UDP and TCP can take on 127.0.0.1 (free when this returns).
quint16 freePort() {
    for (int attempt = 0; attempt < 20; ++attempt) {
        const int tcp = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(tcp, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::getsockname(tcp, reinterpret_cast<sockaddr*>(&address), &length);
        const int udp = ::socket(AF_INET, SOCK_DGRAM, 0);
        const bool both = ::bind(udp, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(udp);
        ::close(tcp);
        if (both)
            return ntohs(address.sin_port);
    }
    return 0;
}

const QByteArray secureZone = R"($ORIGIN secure.test.
$TTL 3600
@ IN SOA ns1 hostmaster 1 7200 3600 1209600 3600
@ IN NS ns1
ns1 IN A 127.0.0.1
@ IN A 192.0.2.10
@ IN AAAA 2001:db8::10
www IN CNAME @
@ IN MX 10 mail
mail IN A 192.0.2.25
@ IN TXT "v=spf1 -all" "two \"quoted\" words"
@ IN CAA 0 issue "ca.example"
_sip._tcp IN SRV 10 5 5060 sip
sip IN A 192.0.2.30
_443._tcp IN TLSA 3 1 1 0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef
@ IN HTTPS 1 . alpn=h2
_svc IN SVCB 1 svc.secure.test. port=8443
@ IN NAPTR 100 10 "S" "SIP+D2U" "" _sip._udp
)";

} // namespace

DnsTestServer::DnsTestServer() {
    m_port = freePort();
    m_tlsPort = freePort();
    m_root = geteuid() == 0;
    if (!makeZones() || !sign("secure.test", {}) ||
        !sign("bogus.test", {"-e", "20200101000000", "-i", "20191201000000"})) {
        m_error = QStringLiteral("the test zones could not be made: ") + m_error;
        return;
    }
    const QByteArray listen = "  ip-address: 127.0.0.1@" + QByteArray::number(m_port) +
                              "\n"
                              "  ip-address: 127.0.0.1@" +
                              QByteArray::number(m_tlsPort) +
                              "\n"
                              "  tls-port: " +
                              QByteArray::number(m_tlsPort) +
                              "\n"
                              "  tls-service-key: \"" +
                              QFile::encodeName(path("dot.key")) +
                              "\"\n"
                              "  tls-service-pem: \"" +
                              QFile::encodeName(path("dot.pem")) + "\"\n";
    m_running =
        startNsd(m_nsd, "nsd", listen,
                 {"secure.test:secure.test.zone.signed", "bogus.test:bogus.test.zone.signed",
                  "plain.test:plain.test.zone", "2.0.192.in-addr.arpa:v4.zone",
                  "8.b.d.0.1.0.0.2.ip6.arpa:v6.zone", "broken.test:missing.zone"});
    if (m_running && m_root)
        m_root = startNsd(m_rootNsd, "root", QByteArray("  ip-address: ") + RootAddress + "@53\n",
                          {".:root.zone", "plain.test:plain.test.zone"});
}

DnsTestServer::~DnsTestServer() {
    stopNsd(m_nsd);
    stopNsd(m_rootNsd);
}

bool DnsTestServer::run(const QString& program, const QStringList& arguments, QByteArray* output) {
    return runTool(m_dir.path(), program, arguments, output, m_error);
}

bool DnsTestServer::startNsd(QProcess& nsd, const QString& name, const QByteArray& listen,
                             const QStringList& zones) {
    return ::startNsd(nsd, m_dir.path(), name, listen, zones, m_error);
}

bool DnsTestServer::makeZones() {
    QByteArray plain = "$ORIGIN plain.test.\n$TTL 3600\n"
                       "@ IN SOA ns hostmaster 1 7200 3600 1209600 3600\n@ IN NS ns\n"
                       "ns IN A 127.0.0.153\n@ IN A 192.0.2.20\n@ IN MX 10 mail\n"
                       "mail IN A 192.0.2.25\nxn--bcher-kva IN A 192.0.2.21\n"
                       "xn--bcher-kva IN MX 10 xn--mil-qla\n"
                       "sub IN NS ns.sub\nns.sub IN A 127.0.0.2\n"
                       "sub IN DS 12345 13 2 "
                       "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef\n";
    for (int i = 0; i < 1000; ++i)
        plain += "big IN TXT \"record number " + QByteArray::number(i) + "\"\n";
    const QByteArray v4 =
        "$ORIGIN 2.0.192.in-addr.arpa.\n$TTL 3600\n"
        "@ IN SOA ns.plain.test. hostmaster.plain.test. 1 7200 3600 1209600 3600\n"
        "@ IN NS ns.plain.test.\n10 IN PTR secure.test.\n";
    const QByteArray v6 =
        "$ORIGIN 8.b.d.0.1.0.0.2.ip6.arpa.\n$TTL 3600\n"
        "@ IN SOA ns.plain.test. hostmaster.plain.test. 1 7200 3600 1209600 3600\n"
        "@ IN NS ns.plain.test.\n"
        "1.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0 IN PTR plain.test.\n";
    const QByteArray root = "$ORIGIN .\n$TTL 3600\n"
                            ". IN SOA a.root.test. hostmaster.test. 1 7200 3600 1209600 3600\n"
                            ". IN NS a.root.test.\na.root.test. IN A 127.0.0.153\n"
                            "plain.test. IN NS ns.plain.test.\nns.plain.test. IN A 127.0.0.153\n";
    QByteArray bogus = secureZone;
    bogus.replace("secure.test", "bogus.test");
    const QString ext = path("ext.cnf");
    return writeTextFile(path("secure.test.zone"), secureZone) &&
           writeTextFile(path("bogus.test.zone"), bogus) &&
           writeTextFile(path("plain.test.zone"), plain) && writeTextFile(path("v4.zone"), v4) &&
           writeTextFile(path("v6.zone"), v6) && writeTextFile(path("root.zone"), root) &&
           writeTextFile(ext, "subjectAltName=DNS:dot.test\n") &&
           run("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key",
                           "-out", "ca.pem", "-days", "2", "-subj", "/CN=Vintrel DNS Test CA"}) &&
           run("openssl", {"req", "-newkey", "rsa:2048", "-nodes", "-keyout", "dot.key", "-out",
                           "dot.csr", "-subj", "/CN=dot.test"}) &&
           run("openssl", {"x509", "-req", "-in", "dot.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                           "-CAcreateserial", "-out", "dot.pem", "-days", "2", "-extfile", ext});
}

bool DnsTestServer::sign(const QString& zone, const QStringList& extra) {
    QByteArray key;
    if (!run("ldns-keygen", {"-a", "ECDSAP256SHA256", "-k", zone}, &key))
        return false;
    QFile anchors(trustAnchors());
    QFile ds(path(QString::fromLatin1(key) + ".ds"));
    if (!anchors.open(QIODevice::Append) || !ds.open(QIODevice::ReadOnly))
        return false;
    anchors.write(ds.readAll());
    return run("ldns-signzone", extra + QStringList{zone + ".zone", QString::fromLatin1(key)});
}

QSslConfiguration DnsTestServer::tlsConfiguration() const {
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificates(QSslCertificate::fromPath(path("ca.pem")));
    return configuration;
}

SilentDnsServer::SilentDnsServer() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    m_udp = ::socket(AF_INET, SOCK_DGRAM, 0);
    ::bind(m_udp, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(m_udp, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    // TCP on the same port, listening but never answering.
    m_tcp = ::socket(AF_INET, SOCK_STREAM, 0);
    ::bind(m_tcp, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(m_tcp, 16);
}

SilentDnsServer::~SilentDnsServer() {
    ::close(m_udp);
    ::close(m_tcp);
}
