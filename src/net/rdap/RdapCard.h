// SPDX-License-Identifier: MIT
#pragma once
// A contact's jCard (RFC 7095: ["vcard", [[name, parameters, type, value...], ...]]) as the
// lines a person reads: name, organisation, address line by line, phones labelled by their
// type (a fax is a fax), e-mail. Properties without words of their own are shown by name.

#include "RdapWriter.h"

namespace net {

void writeCard(RdapWriter& out, int indent, const QJsonValue& card);

// The card's formatted name ("fn"), for a one-line summary of a contact.
QString cardName(const QJsonValue& card);

} // namespace net
