// SPDX-License-Identifier: MIT
#pragma once
// A chain of trust as text and as JSON. The text is what the answer window shows, a screen
// reader reads and --stdout prints: the verdict and the first broken link at the top, then zone
// by zone each DS record, key and signature, indented, each with a mark, its state in words and
// its dates. The JSON holds the same: zones, keys, DS records, signatures, links with states
// and times, and the verdict.

#include "ChainModel.h"

#include <QJsonObject>
#include <QString>

namespace net {

QString chainText(const ChainReport& report);
QJsonObject chainJson(const ChainReport& report);
// "2026-12-10 18:00:00 UTC"
QString chainTime(qint64 seconds);

} // namespace net
