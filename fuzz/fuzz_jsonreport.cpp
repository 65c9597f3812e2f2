// SPDX-License-Identifier: MIT
// The --json document on any request, reply and HTTP body: a strict JSON reader takes it, no
// byte a terminal acts on is left raw in it, and it grows no more than a small multiple of
// what went in.
#include "terminal/JsonReport.h"

#include "StrictJson.h"

#include <cstdlib>

namespace {

// A byte a terminal acts on: a C0 control, DEL, the UTF-8 forms of the C1 controls, or a
// byte-order mark.
bool actedOn(const QByteArray& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) { // the document's own last line end aside
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = static_cast<unsigned char>(text[i + 1]);
        if (c < 0x20 || c == 0x7F || (c == 0xC2 && next >= 0x80 && next <= 0x9F))
            return true;
    }
    return text.contains("\xEF\xBB\xBF");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // Three parts, split at the first two NULs: the request, the reply, an HTTP body.
    const QList<QByteArray> parts = bytes.split('\0');
    net::TranscriptExchange exchange;
    exchange.host = "whois.example";
    exchange.port = 43;
    exchange.request = parts.value(0);
    exchange.received = parts.value(1);
    exchange.bytesReceived = quint64(exchange.received.size()) + size % 2; // kept all, or less
    exchange.outcome = QStringLiteral("closed");
    terminal::JsonReport report;
    report.setQuery({{QStringLiteral("whois"), QString::fromUtf8(parts.value(0))}});
    report.exchange(exchange);
    report.httpAnswer(QStringLiteral("rdap"), QUrl(QStringLiteral("https://rdap.example/x")), 200,
                      bytes.mid(parts.value(0).size() + parts.value(1).size() + 2));
    report.setOutcome(net::Answer(size % 4), QString::fromUtf8(parts.value(1)));
    const QByteArray document = report.document();
    if (!strictJsonAccepts(document))
        std::abort();
    if (actedOn(document) || !document.endsWith('\n'))
        std::abort();
    // Every input byte may come out as a six-character escape, in a few members.
    if (document.size() > 4 * 6 * bytes.size() + 1024)
        std::abort();
    return 0;
}
