// SPDX-License-Identifier: MIT
#include "ComparisonServers.h"
#include "Nsd.h"

#include <QDir>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QByteArray cmpZone(int serial, const char* www) {
    return "$ORIGIN cmp.test.\n$TTL 3600\n"
           "@ IN SOA ns1 hostmaster " +
           QByteArray::number(serial) +
           " 7200 3600 1209600 3600\n"
           "@ IN NS ns1\n@ IN NS ns2\n@ IN NS ns3\n@ IN NS ns4\n@ IN NS ns5\n@ IN NS ns6\n"
           "@ IN NS ns7.nowhere.test.\n"
           "ns1 IN A 127.0.0.31\nns2 IN A 127.0.0.32\nns3 IN A 127.0.0.33\n"
           "ns4 IN A 127.0.0.34\nns5 IN A 127.0.0.35\nns6 IN A 127.0.0.36\n"
           "www IN A " +
           www + "\n";
}

} // namespace

ComparisonServers::ComparisonServers() {
    if (!makeZones())
        return;
    QStringList wide;
    for (int i = 1; i <= WideServers; ++i)
        wide << QStringLiteral("127.0.2.%1").arg(i) << QStringLiteral("fd00::%1").arg(i);
    for (int i = 1; i <= WideServers; ++i)
        if (QProcess::execute("ip", {"-6", "addr", "add", QStringLiteral("fd00::%1/128").arg(i),
                                     "dev", "lo", "nodad"}) != 0) {
            m_error = QStringLiteral("the IPv6 test addresses could not be added");
            return;
        }
    m_running = start("parent", {"127.0.0.10", "127.0.0.20"}, {".:root.zone", "test.:test.zone"}) &&
                start("ns1", {"127.0.0.31", "::1"},
                      {"cmp.test:cmp-current.zone.signed", "many.test:many.zone",
                       "lame.test:lame.zone", "tcp.test:tcp.zone"}) &&
                start("ns2", {"127.0.0.32"}, {"cmp.test:cmp-different.zone.signed"}) &&
                start("ns3", {"127.0.0.33"}, {"cmp.test:cmp-stale.zone.signed"}) &&
                start("ns4", {"127.0.0.34"}, {"cmp.test:cmp-expired.zone.signed"}) &&
                start("ns5", {"127.0.0.35"}, {}) &&
                start("wide", wide, {"wide.test:wide.zone.signed"});
    if (!m_running)
        return;
    // The silent server: takes datagrams at 127.0.0.36:53 and keeps them unread till asked.
    m_silent = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(53);
    address.sin_addr.s_addr = inet_addr("127.0.0.36");
    if (::bind(m_silent, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        m_error = QStringLiteral("127.0.0.36 port 53 could not be taken");
        m_running = false;
    }
}

ComparisonServers::~ComparisonServers() {
    for (const std::unique_ptr<QProcess>& server : m_servers)
        stopNsd(*server);
    if (m_silent >= 0)
        ::close(m_silent);
}

QList<QByteArray> ComparisonServers::silentServerReceived() {
    QList<QByteArray> datagrams;
    char buffer[4096];
    for (ssize_t size; (size = ::recv(m_silent, buffer, sizeof buffer, 0)) > 0;)
        datagrams.append(QByteArray(buffer, qsizetype(size)));
    return datagrams;
}

bool ComparisonServers::start(const QString& name, const QStringList& addresses,
                              const QStringList& zones) {
    QByteArray listen;
    for (const QString& address : addresses)
        listen += "  ip-address: " + address.toLatin1() + "@53\n";
    m_servers.push_back(std::make_unique<QProcess>());
    return startNsd(*m_servers.back(), m_dir.path(), name, listen, zones, m_error);
}

bool ComparisonServers::sign(const QString& file, const QString& zone, const QByteArray& key,
                             const QStringList& extra) {
    return runTool(m_dir.path(), "ldns-signzone",
                   extra + QStringList{"-o", zone, file, QString::fromLatin1(key)}, nullptr,
                   m_error);
}

bool ComparisonServers::makeZones() {
    QByteArray test = "$ORIGIN test.\n$TTL 3600\n"
                      "@ IN SOA ns hostmaster 1 7200 3600 1209600 3600\n@ IN NS ns\n"
                      "ns IN A 127.0.0.20\n";
    for (const char* ns : {"ns1", "ns2", "ns3", "ns4", "ns5", "ns6", "ns9"})
        test += QByteArray("cmp IN NS ") + ns + ".cmp\n";
    test += "ns1.cmp IN A 127.0.0.31\nns2.cmp IN A 127.0.0.32\nns3.cmp IN A 127.0.0.99\n"
            "ns4.cmp IN A 127.0.0.34\nns5.cmp IN A 127.0.0.35\nns6.cmp IN A 127.0.0.36\n"
            "ns9.cmp IN A 127.0.0.39\n";
    // A zone set up wrong: a name server that is an alias, one inside the zone without glue,
    // glue for a name outside it, every address in one network.
    test += "lame IN NS alias.lame\nlame IN NS bare.lame\nlame IN NS ns1.cmp\n"
            "alias.lame IN A 127.0.0.31\n";
    const QByteArray lame = "$ORIGIN lame.test.\n$TTL 3600\n"
                            "@ IN SOA bare hostmaster 1 7200 3600 1209600 3600\n"
                            "@ IN NS alias\n@ IN NS bare\n@ IN NS ns1.cmp.test.\n"
                            "alias IN CNAME real\nreal IN A 127.0.0.31\nbare IN A 127.0.0.31\n"
                            "www IN A 192.0.2.5\n";
    // A zone with a server that answers over UDP only (127.0.0.41) and one over TCP only
    // (127.0.0.42), both played by the test itself.
    test += "tcp IN NS ns1.cmp\ntcp IN NS u.tcp\ntcp IN NS t.tcp\n"
            "u.tcp IN A 127.0.0.41\nt.tcp IN A 127.0.0.42\n";
    const QByteArray tcp = "$ORIGIN tcp.test.\n$TTL 3600\n"
                           "@ IN SOA u hostmaster 1 7200 3600 1209600 3600\n"
                           "@ IN NS ns1.cmp.test.\n@ IN NS u\n@ IN NS t\n"
                           "u IN A 127.0.0.41\nt IN A 127.0.0.42\nwww IN A 192.0.2.1\n";
    QByteArray many = "$ORIGIN many.test.\n$TTL 3600\n"
                      "@ IN SOA h1.test. hostmaster 1 7200 3600 1209600 3600\n"
                      "www IN A 192.0.2.70\n";
    for (int i = 1; i <= 70; ++i) {
        const QByteArray host = "h" + QByteArray::number(i);
        test += "many IN NS " + host + "\n" + host + " IN A 127.0.0.31\n" + host + " IN AAAA ::1\n";
        many += "@ IN NS " + host + ".test.\n";
    }
    QByteArray wide = "$ORIGIN wide.test.\n$TTL 3600\n"
                      "@ IN SOA w1 hostmaster 1 7200 3600 1209600 3600\n"
                      "www IN A 192.0.2.13\n";
    for (int i = 1; i <= WideServers; ++i) {
        const QByteArray host = "w" + QByteArray::number(i);
        const QByteArray a = host + " IN A 127.0.2." + QByteArray::number(i) + "\n";
        const QByteArray aaaa = host + " IN AAAA fd00::" + QByteArray::number(i) + "\n";
        wide += "@ IN NS " + host + "\n" + a + aaaa;
        test += "wide IN NS " + host + ".wide\n" + host + ".wide " + a.mid(host.size() + 1) + host +
                ".wide " + aaaa.mid(host.size() + 1);
    }
    const QByteArray root = "$ORIGIN .\n$TTL 3600\n"
                            ". IN SOA a.root.test. hostmaster.test. 1 7200 3600 1209600 3600\n"
                            ". IN NS a.root.test.\na.root.test. IN A 127.0.0.10\n"
                            "test. IN NS ns.test.\nns.test. IN A 127.0.0.20\n";
    const QDir dir(m_dir.path());
    if (!writeTextFile(dir.filePath("root.zone"), root) ||
        !writeTextFile(dir.filePath("test.zone"), test) ||
        !writeTextFile(dir.filePath("many.zone"), many) ||
        !writeTextFile(dir.filePath("lame.zone"), lame) ||
        !writeTextFile(dir.filePath("tcp.zone"), tcp) ||
        !writeTextFile(dir.filePath("wide.zone"), wide) ||
        !writeTextFile(dir.filePath("cmp-current.zone"), cmpZone(2, "192.0.2.2")) ||
        !writeTextFile(dir.filePath("cmp-different.zone"), cmpZone(2, "192.0.2.99")) ||
        !writeTextFile(dir.filePath("cmp-stale.zone"), cmpZone(1, "192.0.2.1")) ||
        !writeTextFile(dir.filePath("cmp-expired.zone"), cmpZone(2, "192.0.2.2"))) {
        m_error = QStringLiteral("the zone files could not be written");
        return false;
    }
    QByteArray cmpKey;
    QByteArray wideKey;
    return runTool(m_dir.path(), "ldns-keygen", {"-a", "ECDSAP256SHA256", "-k", "cmp.test"},
                   &cmpKey, m_error) &&
           runTool(m_dir.path(), "ldns-keygen", {"-a", "ECDSAP256SHA256", "-k", "wide.test"},
                   &wideKey, m_error) &&
           sign("cmp-current.zone", "cmp.test", cmpKey) &&
           sign("cmp-different.zone", "cmp.test", cmpKey) &&
           sign("cmp-stale.zone", "cmp.test", cmpKey) &&
           sign("cmp-expired.zone", "cmp.test", cmpKey,
                {"-e", "20200101000000", "-i", "20191201000000"}) &&
           sign("wide.zone", "wide.test", wideKey);
}
