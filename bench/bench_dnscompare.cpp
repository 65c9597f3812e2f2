// SPDX-License-Identifier: MIT
// Times a comparison of every authoritative server of a zone with 13 name servers, each on an
// IPv4 and an IPv6 address (26 addresses), all real nsd servers on loopback in a network of the
// benchmark's own (it needs root): from the start of the query, through finding the zone from
// the root, its delegation and every address, until the comparison is written (goal: under
// 1 s). The figure is the median of its runs, with the spread.

#include "ComparisonServers.h"
#include "Figure.h"
#include "RecordingView.h"
#include "TestNetwork.h"
#include "net/dns/records/DnsRecordsSession.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (!enterOwnNetwork())
        return std::fprintf(stderr, "bench_dnscompare: needs root, for a network of its own\n"), 1;
    ComparisonServers servers;
    if (!servers.running()) {
        std::fprintf(stderr, "bench_dnscompare: %s\n", qPrintable(servers.error()));
        return 1;
    }
    const Figure compared = measureRuns(7, [&] {
        RecordingView view;
        net::QueryEngine engine(view);
        net::DnsRecordsSession query(engine);
        query.setRootAnchorFile(QString());
        query.setRootServers(ComparisonServers::Root);
        QElapsedTimer clock;
        clock.start();
        query.start(
            {"www.wide.test", "A", "Every authoritative server", true, {}, "Authoritative"});
        while (engine.Busy())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        if (view.status() != "All 26 addresses agree") {
            std::fprintf(stderr, "bench_dnscompare: %s\n", qPrintable(view.status()));
            std::exit(1);
        }
        return ms;
    });
    std::printf("dns records, every authoritative server compared, 26 addresses %s, goal 1000 ms\n",
                compared.text("ms", 1).c_str());
    return 0;
}
