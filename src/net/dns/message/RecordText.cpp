// SPDX-License-Identifier: MIT
#include "RecordText.h"
#include "SvcbText.h"
#include "net/engine/HostNames.h"

#include <QStringList>

namespace net {

namespace {

constexpr std::uint16_t NsapPtrType = 23;
// Obsolete types whose text from the library cannot be read back: NXT, SINK.
constexpr std::uint16_t NxtType = 30;
constexpr std::uint16_t SinkType = 40;
constexpr std::uint16_t SvcbType = 64;
constexpr std::uint16_t HttpsType = 65;

QString take(char* text) {
    const QString out = text ? QString::fromUtf8(text) : QString();
    free(text);
    return out;
}

// Control characters as \DDD: inside a quoted string they are data, outside they would only
// confuse the line (the library separates fields with single tabs, which stay).
QString withoutControls(const QString& line, qsizetype fieldsStart) {
    QString out;
    out.reserve(line.size());
    bool quoted = false;
    bool escaped = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        const bool separator = i < fieldsStart && c == u'\t';
        if ((c.unicode() < 0x20 || c.unicode() == 0x7F) && !separator) {
            out += QStringLiteral("\\%1").arg(c.unicode(), 3, 10, QLatin1Char('0'));
            escaped = false;
            continue;
        }
        out += c;
        if (escaped)
            escaped = false;
        else if (c == u'\\')
            escaped = true;
        else if (c == u'"')
            quoted = !quoted;
    }
    return out;
}

QString genericRdata(const QByteArray& message, const WireRecord& wire) {
    return QStringLiteral("\\# %1 %2")
        .arg(wire.rdataLength)
        .arg(QString::fromLatin1(message.mid(wire.rdataOffset, wire.rdataLength).toHex()))
        .trimmed();
}

// The rdata this file writes itself, or nothing when the library's text serves.
std::optional<QString> ownRdata(const QByteArray& message, const WireRecord& wire) {
    if (wire.rdataLength == 0)
        return QStringLiteral("\\# 0");
    switch (wire.type) {
    case SvcbType:
    case HttpsType: {
        const auto text = svcbText(message, wire.rdataOffset, wire.rdataLength);
        return text ? *text : genericRdata(message, wire);
    }
    case NsapPtrType: {
        const auto name = nameText(message, wire.rdataOffset);
        const bool whole =
            skipName(message, wire.rdataOffset) == wire.rdataOffset + wire.rdataLength;
        return name && whole ? *name : genericRdata(message, wire);
    }
    case NxtType:
    case SinkType: return genericRdata(message, wire);
    default: return std::nullopt;
    }
}

// The Unicode forms of the record's international names, for a comment after it.
QString unicodeNames(const DnsLibrary& dns, const ldns_rr* rr) {
    QStringList forms;
    const auto add = [&](const ldns_rdf* name, const QString& label) {
        const QString ascii = take(dns.ldns_rdf2str(name));
        if (!ascii.contains(QLatin1String("xn--"), Qt::CaseInsensitive))
            return;
        const QString unicode = unicodeHost(ascii.toLatin1());
        if (unicode != ascii)
            forms.append(label + unicode);
    };
    add(dns.ldns_rr_owner(rr), QString());
    for (size_t i = 0; i < dns.ldns_rr_rd_count(rr); ++i) {
        const ldns_rdf* field = dns.ldns_rr_rdf(rr, i);
        if (field && dns.ldns_rdf_get_type(field) == LDNS_RDF_TYPE_DNAME)
            add(field, QStringLiteral("-> "));
    }
    return forms.join(QLatin1Char(' '));
}

} // namespace

QString recordText(const ldns_rr* rr, const QByteArray& message, const WireRecord* wire) {
    const DnsLibrary& dns = *DnsLibrary::get();
    QString line = take(dns.ldns_rr2str(rr));
    while (line.endsWith(QLatin1Char('\n')))
        line.chop(1);
    // "owner<TAB>TTL<TAB>class<TAB>type<TAB>rdata": where the rdata starts.
    qsizetype rdataStart = 0;
    for (int field = 0; field < 4 && rdataStart >= 0; ++field) {
        rdataStart = line.indexOf(QLatin1Char('\t'), rdataStart);
        if (rdataStart >= 0)
            ++rdataStart;
    }
    if (rdataStart < 0) { // no rdata at all: the fields the library wrote, then the rdata
        rdataStart = line.size() + 1;
        line += QLatin1Char('\t');
    }
    if (wire) {
        if (const std::optional<QString> own = ownRdata(message, *wire)) {
            line = line.left(rdataStart) + *own;
            // Data in the generic form goes with the type's generic name, which every reader
            // takes (RFC 3597 section 5).
            if (own->startsWith(QLatin1String("\\# ")) && wire->rdataLength > 0) {
                const qsizetype typeStart = line.lastIndexOf(QLatin1Char('\t'), rdataStart - 2) + 1;
                const QString generic = QStringLiteral("TYPE%1").arg(wire->type);
                line.replace(typeStart, rdataStart - 1 - typeStart, generic);
                rdataStart = typeStart + generic.size() + 1;
            }
        }
    }
    line = withoutControls(line, rdataStart);
    const QString unicode = unicodeNames(dns, rr);
    if (!unicode.isEmpty())
        line += QStringLiteral("\t; ") + unicode;
    return line;
}

} // namespace net
