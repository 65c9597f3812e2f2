// SPDX-License-Identifier: MIT
#pragma once
// The mail check written out: as text for the window and standard output (the summary first,
// then each check with its verdict, its reason, the records it read and what the servers
// said), and as JSON. Every text that came from the network is shown as printable ASCII with
// anything else escaped, and cut at a fixed length, so no record can reach the window as
// control characters or as a line of megabytes.

#include "MailModel.h"

#include <QJsonObject>

namespace net {

QString mailText(const MailReport& report);
QJsonObject mailJson(const MailReport& report);

// A name as the report shows it: without its final dot ("." stays).
QString shownName(const QByteArray& name);
// Text from a record or a server, quoted, escaped (\" \\ \DDD) and cut.
QString quotedText(const QByteArray& text);
// Text from a server, escaped and cut but not quoted.
QString safeLine(const QByteArray& text);
// "owner TYPE data" as a report line.
QString recordLine(const QByteArray& owner, const QString& type, const QString& data);

} // namespace net
