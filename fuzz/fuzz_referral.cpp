// SPDX-License-Identifier: MIT
// The WhoIs referral reader on any answer: no crash, and what it finds is only ever a plain
// host (letters, digits, '-', '.', ':'; at most 253 characters) and a port in range, so no
// answer can send a query anywhere else. The root registry's query is a part of the query.
#include "net/whois/WhoisReferral.h"
#include "platform/Utf8Text.h"

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString answer = platform::utf8::decodeLenient(bytes);
    const net::ReferralScan scan = net::scanReferrals(answer, {size % 2 == 0, "example.com"});
    if (const std::optional<net::WhoisReferral>& found = scan.referral) {
        const QByteArray& host = found->host;
        const bool plain = std::all_of(host.begin(), host.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
                   c == ':' || (c >= 'A' && c <= 'Z');
        });
        if (host.isEmpty() || host.size() > 253 || !plain)
            std::abort();
    }
    const QByteArray asked = net::rootRegistryQuery(bytes);
    if (!bytes.trimmed().contains(asked))
        std::abort();
    return 0;
}
