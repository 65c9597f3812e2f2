// SPDX-License-Identifier: MIT
// Times the chain of trust of a name four zones deep (the root, lab., good.lab. and
// deep.good.lab. of the chain-of-trust lab, real nsd on loopback in a network of the benchmark's
// own; it needs root): from the start of the query, through the zone cuts, the name servers,
// every zone's keys and DS set and the answer, the checks and the text, until the picture is
// drawn (goal: under 1 s). The figure is the median of its runs, with the spread.

#include "ChainLab.h"
#include "Figure.h"
#include "RecordingView.h"
#include "TestNetwork.h"
#include "net/dns/chain/ChainPicture.h"
#include "net/dns/records/DnsRecordsSession.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (!enterOwnNetwork())
        return std::fprintf(stderr, "bench_dnschain: needs root, for a network of its own\n"), 1;
    ChainLab lab;
    if (!lab.running()) {
        std::fprintf(stderr, "bench_dnschain: %s\n", qPrintable(lab.error()));
        return 1;
    }
    const Figure found = measureRuns(7, [&] {
        RecordingView view;
        net::QueryEngine engine(view);
        net::DnsRecordsSession query(engine);
        query.setRootServers(QString::fromLatin1(ChainLab::Address));
        query.setRunTrustAnchors({lab.anchors()});
        int zones = 0;
        QElapsedTimer clock;
        query.chain().onReport = [&](const net::ChainReport& report) {
            zones = int(report.zones.size());
            QSvgRenderer renderer(net::chainSvg(report));
            QImage image(renderer.defaultSize(), QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            renderer.render(&painter);
        };
        net::DnsRecordsRequest request;
        request.name = "www.deep.good.lab";
        request.type = QStringLiteral("A");
        request.server = QStringLiteral("Authoritative");
        request.chain = true;
        clock.start();
        query.start(request);
        while (engine.Busy())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        if (zones != 4 || !view.status().startsWith(QLatin1String("Secure"))) {
            std::fprintf(stderr, "bench_dnschain: %d zones, %s\n", zones,
                         qPrintable(view.status()));
            std::exit(1);
        }
        return ms;
    });
    std::printf("dns chain of trust, four zones found, checked and drawn %s, goal 1000 ms\n",
                found.text("ms", 1).c_str());
    return 0;
}
