// SPDX-License-Identifier: MIT
#pragma once
// A chain of trust drawn as an SVG picture: zones from top to bottom, each with the DS set
// that vouches for it (or the trust anchor, or the proof that it has none), its keys and its
// DNSKEY set; the answer at the foot. Digests and signatures are arrows from what vouches to
// what is vouched for. Each state has a colour, a line style and a mark with a word, so the
// picture reads in grey and to a colour-blind eye; the link that broke is drawn thick and
// labelled. Every text in it comes from servers and is written as escaped character data,
// never as markup.

#include "ChainModel.h"

#include <QByteArray>

namespace net {

QByteArray chainSvg(const ChainReport& report);

} // namespace net
