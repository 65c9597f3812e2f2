// SPDX-License-Identifier: MIT
#pragma once
// The mail check's lab (tests/mail_lab.py), run in the test's own network where
// 198.51.100.0/24 stands for the public Internet: nsd serving a signed root and test. with one
// domain per case, Exim with STARTTLS and Exim without it on port 25, a server that accepts
// and never speaks, one whose greeting never ends, and the MTA-STS policies over HTTPS.

#include <QProcess>
#include <QSslConfiguration>
#include <QString>
#include <QTcpServer>
#include <QTemporaryDir>

#include <memory>
#include <vector>

class MailLab {
public:
    static constexpr const char* Dns = "198.51.100.53";
    static constexpr const char* TlsServer = "198.51.100.25";
    static constexpr const char* PlainServer = "198.51.100.26";

    MailLab();
    ~MailLab();

    bool running() const { return m_running; }
    const QString& error() const { return m_error; }
    QString anchors() const { return m_dir.filePath(QStringLiteral("anchors.ds")); }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    // Trusts the lab's certificate authority alone.
    QSslConfiguration ssl() const;

private:
    bool startExim(const QString& name);
    bool startPolicies();

    QTemporaryDir m_dir;
    QProcess m_nsd;
    std::vector<std::unique_ptr<QProcess>> m_servers;
    QTcpServer m_silent;  // accepts, never speaks
    QTcpServer m_babbler; // greets with a megabyte of lines
    bool m_running = false;
    QString m_error;
};
