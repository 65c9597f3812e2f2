// SPDX-License-Identifier: MIT
#pragma once
// The authoritative servers of the comparison tests and benchmark, each a real nsd on its own
// loopback address at port 53, so the test must run in a network of its own (enterOwnNetwork):
//   127.0.0.10        the root (".") and, as 127.0.0.20, "test.", which delegates cmp.test
//                     to ns1..ns6 and ns9.cmp.test (ns3's glue 127.0.0.99, ns9's 127.0.0.39,
//                     where nothing listens), many.test to h1..h70.test, and wide.test
//   cmp.test          signed; its own NS set names ns1..ns6.cmp.test and ns7.nowhere.test
//                     (no address); www A 192.0.2.2 at serial 2, served:
//     127.0.0.31      as it should be (also on ::1, and many.test)
//     127.0.0.32      with www A 192.0.2.99
//     127.0.0.33      an older copy: serial 1, www A 192.0.2.1
//     127.0.0.34      with signatures that expired in 2020
//     127.0.0.35      not at all: a server that refuses the zone
//     127.0.0.36      by a server that never answers, and keeps what it was sent
//   many.test         70 name servers h1..h70.test, each on 127.0.0.31 and ::1
//   wide.test         signed; 13 name servers w1..w13.wide.test, each on 127.0.2.N and
//                     fd00::N, all with the same copy

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <vector>

class ComparisonServers {
public:
    static constexpr const char* Root = "127.0.0.10";
    static constexpr int WideServers = 13;

    ComparisonServers();
    ~ComparisonServers();

    bool running() const { return m_running; }
    const QString& error() const { return m_error; }
    // The datagrams the silent server has been sent so far.
    QList<QByteArray> silentServerReceived();

private:
    bool makeZones();
    bool sign(const QString& file, const QString& zone, const QByteArray& key,
              const QStringList& extra = {});
    bool start(const QString& name, const QStringList& addresses, const QStringList& zones);

    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<QProcess>> m_servers;
    int m_silent = -1;
    bool m_running = false;
    QString m_error;
};
