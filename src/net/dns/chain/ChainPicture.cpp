// SPDX-License-Identifier: MIT
#include "ChainPicture.h"
#include "ChainText.h"

#include <algorithm>
#include <cmath>

namespace net {

namespace {

constexpr int Margin = 20;
constexpr int NodeWidth = 170;
constexpr int NodeHeight = 54;
constexpr int Gap = 26;
constexpr int HeaderHeight = 74;
constexpr int BandHeight = 200;
constexpr int DsRow = 36;    // within a band
constexpr int KeyRow = 118;  // within a band
constexpr int MaxLabel = 60; // characters of a server's name shown in a node
// The keys drawn in a zone's row; the rest are counted in a box of their own (the text lists
// them all), so a hostile zone of thousands of keys never makes a picture of millions of pixels.
constexpr int MaxKeysDrawn = 16;

QString escaped(QString text) {
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c == QChar(0x7F))
            c = QChar(0xFFFD);
    return text.toHtmlEscaped();
}

QString shortened(const QString& text) {
    return text.size() <= MaxLabel ? text : text.left(MaxLabel - 1) + QChar(0x2026);
}

QString colour(LinkState state) {
    switch (state) {
    case LinkState::Valid: return QStringLiteral("#1a7f37");
    case LinkState::Insecure: return QStringLiteral("#57606a");
    case LinkState::Expired:
    case LinkState::NotYetValid: return QStringLiteral("#9a6700");
    default: return QStringLiteral("#cf222e");
    }
}

// A line style of its own for each kind of state, for a print in grey.
QString dashes(LinkState state) {
    switch (state) {
    case LinkState::Valid: return {};
    case LinkState::Insecure: return QStringLiteral(" stroke-dasharray=\"8 5\"");
    case LinkState::Expired:
    case LinkState::NotYetValid: return QStringLiteral(" stroke-dasharray=\"2 4\"");
    default: return QStringLiteral(" stroke-dasharray=\"12 4 2 4\"");
    }
}

QString stateLabel(LinkState state) {
    return linkStateMark(state) + QLatin1Char(' ') + linkStateText(state);
}

struct Point {
    int x = 0;
    int y = 0;
};

class Drawing {
public:
    explicit Drawing(const ChainReport& report) : m_report(report) {}

    QByteArray draw() {
        int columns = 2;
        for (const ChainZone& zone : m_report.zones)
            columns = std::max(columns, drawnKeys(zone) + 2);
        const int width = std::max(760, 2 * Margin + 60 + columns * (NodeWidth + Gap));
        const int height = HeaderHeight + int(m_report.zones.size()) * BandHeight + 120;
        m_out +=
            QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                           "viewBox=\"0 0 %1 %2\" font-family=\"DejaVu Sans, sans-serif\" "
                           "font-size=\"13\" role=\"img\">\n")
                .arg(width)
                .arg(height);
        m_out += QStringLiteral("<title>%1</title>\n")
                     .arg(escaped(QStringLiteral("Chain of trust for %1 %2: %3")
                                      .arg(m_report.name, m_report.type, m_report.reason)));
        m_out += QStringLiteral("<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n");
        const LinkState overall = m_report.verdict == ChainReport::Secure     ? LinkState::Valid
                                  : m_report.verdict == ChainReport::Insecure ? LinkState::Insecure
                                                                              : LinkState::Missing;
        text(Margin, 28,
             QStringLiteral("%1 %2 %3: %4")
                 .arg(linkStateMark(overall), m_report.name, m_report.type,
                      verdictText(m_report.verdict)),
             QStringLiteral(" font-size=\"17\" font-weight=\"bold\" fill=\"%1\"")
                 .arg(colour(overall)));
        text(Margin, 52, m_report.reason, QString());
        for (int z = 0; z < int(m_report.zones.size()); ++z)
            drawZone(z, width);
        drawAnswer(width);
        m_out += QStringLiteral("</svg>\n");
        return m_out.toUtf8();
    }

private:
    static int bandTop(int zone) { return HeaderHeight + zone * BandHeight; }
    static Point dsNode(int zone) { return {Margin + 30, bandTop(zone) + DsRow}; }
    static Point keyNode(int zone, int key) {
        return {Margin + 30 + key * (NodeWidth + Gap), bandTop(zone) + KeyRow};
    }
    static int drawnKeys(const ChainZone& zone) {
        return std::min(int(zone.keys.size()), MaxKeysDrawn);
    }
    Point keySetNode(int zone) const {
        const ChainZone& z = m_report.zones[zone];
        return keyNode(zone, drawnKeys(z) + (z.keys.size() > MaxKeysDrawn ? 1 : 0));
    }
    Point answerNode() const { return {Margin + 30, bandTop(int(m_report.zones.size())) + 30}; }

    bool broken(int zone, const QString& link) const {
        return m_report.brokenZone == zone && m_report.brokenLink == link;
    }

    void text(int x, int y, const QString& content, const QString& attributes) {
        m_out += QStringLiteral("<text x=\"%1\" y=\"%2\"%3>%4</text>\n")
                     .arg(x)
                     .arg(y)
                     .arg(attributes, escaped(content));
    }

    // A node's width: wide enough for its longer line.
    static int widthFor(const QString& title, const QString& line2) {
        const auto chars = std::max(shortened(title).size(), shortened(line2).size());
        return std::max(NodeWidth, int(chars) * 8 + 16);
    }

    void node(Point at, const QString& id, const QString& title, const QString& line2,
              LinkState state, bool isBroken) {
        m_out += QStringLiteral("<g id=\"%1\" class=\"node%2\" data-state=\"%3\">\n")
                     .arg(escaped(id), isBroken ? QStringLiteral(" broken") : QString(),
                          linkStateText(state));
        m_out += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"6\" "
                                "fill=\"#f6f8fa\" stroke=\"%5\" stroke-width=\"%6\"%7/>\n")
                     .arg(at.x)
                     .arg(at.y)
                     .arg(widthFor(title, line2))
                     .arg(NodeHeight)
                     .arg(colour(state))
                     .arg(isBroken ? 4 : 1.5)
                     .arg(dashes(state));
        text(at.x + 8, at.y + 21, shortened(title), QStringLiteral(" font-weight=\"bold\""));
        text(at.x + 8, at.y + 42, shortened(line2),
             QStringLiteral(" fill=\"%1\"").arg(colour(state)));
        m_out += QStringLiteral("</g>\n");
    }

    // An arrow from what vouches (the bottom of from) to what it vouches for (the top of to);
    // bow bends it below a row, for arrows between nodes of one row.
    void arrow(Point from, Point to, LinkState state, const QString& label, bool isBroken,
               const QString& what, int bow = 0) {
        const int x1 = from.x + NodeWidth / 2;
        const int y1 = from.y + NodeHeight;
        const int x2 = to.x + NodeWidth / 2 + (bow ? 0 : 0);
        const int y2 = bow ? to.y + NodeHeight : to.y;
        const int cx = (x1 + x2) / 2;
        const int cy = bow ? std::max(y1, y2) + bow : (y1 + y2) / 2;
        m_out += QStringLiteral("<g class=\"link%1\" data-link=\"%2\" data-state=\"%3\">\n")
                     .arg(isBroken ? QStringLiteral(" broken") : QString(), escaped(what),
                          linkStateText(state));
        m_out += QStringLiteral("<path d=\"M%1,%2 Q%3,%4 %5,%6\" fill=\"none\" stroke=\"%7\" "
                                "stroke-width=\"%8\"%9/>\n")
                     .arg(x1)
                     .arg(y1)
                     .arg(cx)
                     .arg(cy)
                     .arg(x2)
                     .arg(y2)
                     .arg(colour(state))
                     .arg(isBroken ? 4 : 2)
                     .arg(dashes(state));
        arrowHead(cx, cy, x2, y2, colour(state));
        const int lx = bow ? cx - 40 : (x1 + x2) / 2 + 6;
        const int ly = bow ? (std::max(y1, y2) + cy) / 2 + 16 : (y1 + y2) / 2;
        text(lx, ly, label + (isBroken ? QStringLiteral(" — broken here") : QString()),
             QStringLiteral(" font-size=\"12\" fill=\"%1\"%2")
                 .arg(colour(state),
                      isBroken ? QStringLiteral(" font-weight=\"bold\"") : QString()));
        m_out += QStringLiteral("</g>\n");
    }

    // A head at (x2, y2) pointing along the line from the control point (cx, cy).
    void arrowHead(int cx, int cy, int x2, int y2, const QString& fill) {
        const double dx = x2 - cx;
        const double dy = y2 - cy;
        const double length = std::max(1.0, std::hypot(dx, dy));
        const double ux = dx / length;
        const double uy = dy / length;
        const auto at = [](double v) { return QString::number(v, 'f', 1); };
        m_out += QStringLiteral("<polygon points=\"%1,%2 %3,%4 %5,%6\" fill=\"%7\"/>\n")
                     .arg(at(x2), at(y2), at(x2 - 11 * ux - 5 * uy), at(y2 - 11 * uy + 5 * ux),
                          at(x2 - 11 * ux + 5 * uy), at(y2 - 11 * uy - 5 * ux), fill);
    }

    void drawZone(int z, int width) {
        const ChainZone& zone = m_report.zones[z];
        m_out += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"8\" "
                                "fill=\"#eef1f4\" stroke=\"#d0d7de\"/>\n")
                     .arg(Margin)
                     .arg(bandTop(z) + 4)
                     .arg(width - 2 * Margin)
                     .arg(BandHeight - 12);
        text(Margin + NodeWidth + 60, bandTop(z) + 24,
             QStringLiteral("Zone %1%2")
                 .arg(zone.name,
                      zone.problem.isEmpty() ? QString() : QStringLiteral(" — ") + zone.problem),
             QStringLiteral(" font-size=\"15\" font-weight=\"bold\""));
        // What vouches for the zone: the anchor, the parent's DS set, or its proof of none.
        QString title =
            zone.anchored ? QStringLiteral("Trust anchor") : QStringLiteral("DS set in parent");
        QStringList tags;
        for (const ChainDs& ds : zone.ds)
            tags.append(QString::number(ds.tag));
        QString line2 = tags.isEmpty() ? QString() : QStringLiteral("DS ") + tags.join(u", ");
        if (!zone.anchored && zone.ds.isEmpty() && !zone.dsSets.isEmpty())
            line2 = zone.dsSets.first().name.section(QLatin1Char(' '), 0, 0) +
                    QStringLiteral(": no DS");
        LinkState dsState = zone.anchored ? LinkState::Valid : zone.dsLink;
        if (broken(z, QStringLiteral("digest")))
            for (const ChainDs& ds : zone.ds)
                dsState = std::max(dsState, ds.state);
        if (!zone.checked)
            dsState = LinkState::Insecure;
        node(dsNode(z), QStringLiteral("ds-%1").arg(zone.name), title,
             line2.isEmpty() ? stateLabel(dsState)
                             : line2 + QStringLiteral("  ") + linkStateMark(dsState),
             dsState, broken(z, QStringLiteral("ds")) || broken(z, QStringLiteral("digest")));
        if (z > 0) {
            const ChainZone& parent = m_report.zones[z - 1];
            bool drawn = false;
            for (const ChainRecordSet& set : zone.dsSets)
                for (const ChainSignature& sig : set.signatures)
                    if (sig.key >= 0 && sig.key < drawnKeys(parent)) {
                        arrow(keyNode(z - 1, sig.key), dsNode(z), sig.state,
                              QStringLiteral("signs %1 %2")
                                  .arg(set.name.section(' ', 0, 0), stateLabel(sig.state)),
                              broken(z, QStringLiteral("ds")) && linkBroken(sig.state),
                              QStringLiteral("ds-signature"));
                        drawn = true;
                    }
            if (!drawn)
                arrow(keySetNode(z - 1), dsNode(z), zone.dsLink, stateLabel(zone.dsLink),
                      broken(z, QStringLiteral("ds")), QStringLiteral("ds-signature"));
        }
        if (zone.keys.size() > MaxKeysDrawn)
            node(keyNode(z, MaxKeysDrawn), QStringLiteral("more-%1").arg(zone.name),
                 QStringLiteral("%1 more keys").arg(zone.keys.size() - MaxKeysDrawn),
                 QStringLiteral("listed in the text"), LinkState::Insecure, false);
        for (int k = 0; k < drawnKeys(zone); ++k) {
            const ChainKey& key = zone.keys[k];
            node(keyNode(z, k), QStringLiteral("key-%1-%2").arg(zone.name).arg(key.tag),
                 QStringLiteral("Key %1 %2").arg(key.tag).arg(key.role()),
                 QStringLiteral("alg %1, %2 bits").arg(key.algorithm).arg(key.bits),
                 key.revoked()                      ? LinkState::Revoked
                 : zone.keyLink == LinkState::Valid ? LinkState::Valid
                                                    : LinkState::Insecure,
                 false);
        }
        for (const ChainDs& ds : zone.ds)
            if (ds.key >= 0 && ds.key < drawnKeys(zone))
                arrow(dsNode(z), keyNode(z, ds.key), ds.state,
                      QStringLiteral("DS %1 digest %2").arg(ds.tag).arg(stateLabel(ds.state)),
                      broken(z, QStringLiteral("digest")) && linkBroken(ds.state),
                      QStringLiteral("digest"));
        if (zone.keys.isEmpty())
            return;
        node(keySetNode(z), QStringLiteral("dnskey-%1").arg(zone.name),
             QStringLiteral("DNSKEY set"), stateLabel(zone.keyLink), zone.keyLink,
             broken(z, QStringLiteral("dnskey")));
        int bow = 18;
        for (const ChainSignature& sig : zone.keySignatures)
            if (sig.key >= 0 && sig.key < drawnKeys(zone)) {
                arrow(keyNode(z, sig.key), keySetNode(z), sig.state,
                      QStringLiteral("signs %1").arg(stateLabel(sig.state)),
                      broken(z, QStringLiteral("dnskey")) && linkBroken(sig.state),
                      QStringLiteral("dnskey-signature"), bow);
                bow += 6;
            }
    }

    bool isBrokenAnswer() const { return m_report.brokenLink == QLatin1String("answer"); }

    void drawAnswer(int width) {
        const int z = int(m_report.zones.size());
        m_out += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"100\" rx=\"8\" "
                                "fill=\"#eef1f4\" stroke=\"#d0d7de\"/>\n")
                     .arg(Margin)
                     .arg(bandTop(z) + 4)
                     .arg(width - 2 * Margin);
        LinkState state = LinkState::Missing;
        QString title = QStringLiteral("No answer");
        for (const ChainRecordSet& set : m_report.answer) {
            if (title == QLatin1String("No answer"))
                title = set.name;
            state = std::max(state == LinkState::Missing && set.state != LinkState::Missing
                                 ? LinkState::Valid
                                 : state,
                             set.state);
        }
        QString shown = stateLabel(state);
        if (!m_report.answerChecked && !isBrokenAnswer()) {
            state = LinkState::Insecure;
            shown = QStringLiteral("– not vouched for");
        }
        const bool isBroken = isBrokenAnswer();
        node(answerNode(), QStringLiteral("answer"), title, shown, state, isBroken);
        text(answerNode().x + widthFor(title, shown) + 30, bandTop(z) + 60,
             QStringLiteral("Answer from %1").arg(m_report.answerZone),
             QStringLiteral(" font-weight=\"bold\""));
        if (z == 0)
            return;
        const ChainZone& last = m_report.zones[z - 1];
        for (const ChainRecordSet& set : m_report.answer)
            for (const ChainSignature& sig : set.signatures)
                if (sig.key >= 0 && sig.key < drawnKeys(last))
                    arrow(keyNode(z - 1, sig.key), answerNode(),
                          m_report.answerChecked ? sig.state : LinkState::Insecure,
                          QStringLiteral("signs %1").arg(stateLabel(sig.state)),
                          isBroken && linkBroken(sig.state), QStringLiteral("answer-signature"));
    }

    const ChainReport& m_report;
    QString m_out;
};

} // namespace

QByteArray chainSvg(const ChainReport& report) {
    return Drawing(report).draw();
}

} // namespace net
