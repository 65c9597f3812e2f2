// SPDX-License-Identifier: MIT
#pragma once
// The DNS tests' authoritative servers: nsd (from Debian) run in the foreground, unprivileged,
// with a configuration and zone files made in the test's own folder, and the tools that make
// the zones (ldns-keygen, ldns-signzone, openssl).

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// Starts nsd as name, listening as listen says ("  ip-address: 127.0.0.1@5353\n" lines),
// serving zones ("example.test:example.test.zone", the file in folder); waits until it has
// started. error says why not.
bool startNsd(QProcess& nsd, const QString& folder, const QString& name, const QByteArray& listen,
              const QStringList& zones, QString& error);
void stopNsd(QProcess& nsd);

// Runs a tool in folder; output gets its standard output, error why it failed.
bool runTool(const QString& folder, const QString& program, const QStringList& arguments,
             QByteArray* output, QString& error);

bool writeTextFile(const QString& path, const QByteArray& text);
