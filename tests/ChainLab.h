// SPDX-License-Identifier: MIT
#pragma once
// The chain-of-trust lab (tests/chain_lab.py): a root of its own, the TLDs lab. (NSEC3) and
// plain. (unsigned), and below lab. one zone for each way a chain breaks, all served by one
// nsd on Address port 53 (the test runs in a network of its own, as root).

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class ChainLab {
public:
    static constexpr const char* Address = "127.0.2.53";

    ChainLab();
    ~ChainLab();

    bool running() const { return m_running; }
    const QString& error() const { return m_error; }
    // The root's DS record, as --trust-anchor takes it; the same as delv's configuration.
    QString anchors() const { return m_dir.filePath("anchors.ds"); }
    QString delvAnchors() const { return m_dir.filePath("anchors.conf"); }
    QString path(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QProcess m_nsd;
    bool m_running = false;
    QString m_error;
};
