// SPDX-License-Identifier: MIT
// Streams replies from a loopback server through the query engine into a shown main window
// and reports the time until "Connection closed", the throughput and the peak resident memory,
// beside a plain loop of 64 KiB recv calls on the same bytes. Each measurement runs in a
// process of its own so that peak memory is its own; the server makes the reply as it sends
// it, so the reply itself is not counted. The program answers the same query once before the
// timed one, as a program in use has; the first query of a fresh program is reported on a line
// of its own. The last line times a repaint of one page scrolled at the end of a 64 MiB text.
//
//   bench_reply                        every reply kind, both ways, as a table
//   bench_reply engine|recv KIND MIB   one measurement, one line "seconds peakKiB"
//   bench_reply first KIND MIB         the engine in a fresh program, without a query before
//   bench_reply idle                   the shown window without a query: "0 peakKiB"
//   bench_reply dialog                 the resident MiB a cancelled Save As leaves: "MiB 0"
//   bench_reply scroll                 one line "milliseconds-per-page-repaint peakKiB"
//
// Goals: 10 MiB of lines at most 2.5 times the plain loop's time and 50 MiB at most 3 times;
// the peak above the idle window at most 1.3 bytes a byte of text for both.
//
// The platform is Qt's: run it with QT_QPA_PLATFORM=offscreen, or under an X server (xcb).

#include "Figure.h"
#include "Resident.h"
#include "app/TMyApp.h"
#include "app/TMyDecoratedFrame.h"
#include "app/TStyleStatusBar.h"
#include "resources/Commands.h"
#include "net/engine/QueryEngine.h"
#include "view/TFingWnd.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// 64 KiB of the kind's pattern, repeated by the server until the reply's size is reached.
QByteArray patternOf(const QByteArray& kind) {
    QByteArray unit;
    if (kind == "lines")
        unit = "Login: someone        Name: Some One         Directory: /home/someone\r\n";
    else if (kind == "longline")
        unit = "QmFzZTY0IGJsb2Igd2l0aG91dCBhbnkgbGluZSBicmVhayBhdCBhbGwu";
    else
        unit = "\r"; // bare line ends
    QByteArray pattern;
    while (pattern.size() < 64 * 1024)
        pattern += unit;
    return pattern;
}

// Accepts one connection, reads the request line, sends the reply and closes.
struct Server {
    int listener = -1;
    quint16 port = 0;
    std::thread thread;

    Server(QByteArray pattern, qsizetype size) {
        listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener, 1);
        socklen_t len = sizeof address;
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &len);
        port = address.sin_port;
        thread = std::thread([this, pattern = std::move(pattern), size] {
            const int peer = ::accept(listener, nullptr, nullptr);
            char c = 0;
            while (::recv(peer, &c, 1, 0) == 1 && c != '\n') {
            }
            for (qsizetype sent = 0; sent < size;) {
                const qsizetype offset = sent % pattern.size();
                const size_t chunk = size_t(std::min(size - sent, pattern.size() - offset));
                const ssize_t n = ::send(peer, pattern.constData() + offset, chunk, 0);
                if (n <= 0)
                    break;
                sent += n;
            }
            ::close(peer);
        });
    }
    ~Server() {
        thread.join();
        ::close(listener);
    }
};

long peakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double runRecvLoop(const QByteArray& kind, qsizetype size) {
    Server server(patternOf(kind), size);
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = server.port;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QElapsedTimer timer;
    timer.start();
    ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::send(s, "\r\n", 2, 0);
    static char buffer[64 * 1024];
    qsizetype total = 0;
    for (ssize_t n; (n = ::recv(s, buffer, sizeof buffer, 0)) > 0;)
        total += n;
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    ::close(s);
    return total == size ? seconds : -1;
}

void settle(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Shows the frame and lets it paint once, as a user's window has before the first query.
void showAndSettle(QWidget& frame) {
    frame.show();
    QElapsedTimer wait;
    wait.start();
    while (!(frame.windowHandle() && frame.windowHandle()->isExposed()) && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::processEvents();
}

// One finger query of a reply of the kind and size, timed from the call to "Connection closed".
double timeQuery(app::TMyDecoratedFrame& frame, const QByteArray& kind, qsizetype size) {
    Server server(patternOf(kind), size);
    const quint16 port = server.port;
    net::QueryEngine& engine = frame.client().engine();
    engine.setServiceLookup([port](const QByteArray&, const QByteArray&) {
        return std::optional<std::uint16_t>(port);
    });
    QEventLoop loop;
    QObject::connect(&engine, &net::QueryEngine::stateChanged, &loop, [&] {
        if (!engine.Busy())
            loop.quit();
    });
    QElapsedTimer timer;
    timer.start();
    frame.client().Finger(AddrInfo("someone@localhost", 0));
    loop.exec();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const bool whole = frame.statusBarField().text() == "Connection closed" &&
                       engine.BytesReceived() == quint64(size);
    return whole ? seconds : -1;
}

// Times a query in a shown window. Unless first is set, the same query goes before it, as in
// a program that has been used: the first query of a process also pays for starting the
// resolver and for drawing its texts' glyphs for the first time.
double runEngine(int argc, char** argv, const QByteArray& kind, qsizetype size, bool first) {
    app::TMyApp application(argc, argv);
    QTemporaryDir dir;
    app::TMyDecoratedFrame frame(dir.path() + '/');
    showAndSettle(frame);
    if (!first && timeQuery(frame, kind, size) < 0)
        return -1;
    QCoreApplication::processEvents();
    return timeQuery(frame, kind, size);
}

// Fills the window with 64 MiB of lines and times repaints of a page scrolled at the end.
double runScroll(int argc, char** argv) {
    app::TMyApp application(argc, argv);
    QTemporaryDir dir;
    app::TMyDecoratedFrame frame(dir.path() + '/');
    frame.resize(900, 700);
    showAndSettle(frame);
    view::TFingWnd& window = frame.client();
    const QString line =
        QStringLiteral("Login: someone        Name: Some One         Directory: /home/someone\n");
    QString block;
    while (block.size() < 1024 * 1024)
        block += line;
    // Filled to the window's capacity exactly, as the longest reply leaves it.
    constexpr qsizetype Capacity = view::ReplyFeed::DefaultCapacity;
    while (window.buffer().size() < Capacity)
        window.appendText(block.left(Capacity - window.buffer().size()));
    window.flushUpdates();
    QScrollBar* bar = window.verticalScrollBar();
    constexpr int Pages = 50;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Pages; ++i) {
        bar->setValue(bar->maximum() - (i % 2) * bar->pageStep());
        window.viewport()->repaint();
    }
    return double(timer.nsecsElapsed()) / 1e6 / Pages;
}

int measureOne(int argc, char** argv) {
    const QByteArray mode = argv[1];
    if (mode == "scroll") {
        const double milliseconds = runScroll(argc, argv);
        std::printf("%.3f %ld\n", milliseconds, peakKiB());
        return 0;
    }
    if (mode == "dialog") {
        app::TMyApp application(argc, argv);
        QTemporaryDir dir;
        app::TMyDecoratedFrame frame(dir.path() + '/');
        showAndSettle(frame);
        frame.client().appendText(QStringLiteral("some text to save\n"));
        settle(300);
        const double before = residentMiB();
        // Save As, left open until its folder is listed, then cancelled as a user would.
        QTimer::singleShot(500, [] {
            if (QWidget* dialog = QApplication::activeModalWidget())
                QMetaObject::invokeMethod(dialog, "reject");
        });
        frame.command(res::CM_SAVEAS);
        settle(300);
        std::printf("%.3f 0\n", residentMiB() - before);
        return 0;
    }
    if (mode == "idle") {
        app::TMyApp application(argc, argv);
        QTemporaryDir dir;
        app::TMyDecoratedFrame frame(dir.path() + '/');
        showAndSettle(frame);
        std::printf("0 %ld\n", peakKiB());
        return 0;
    }
    const QByteArray kind = argv[2];
    const qsizetype size = qsizetype(atoi(argv[3])) * 1024 * 1024;
    const double seconds = mode == "recv" ? runRecvLoop(kind, size)
                                          : runEngine(argc, argv, kind, size, mode == "first");
    std::printf("%.6f %ld\n", seconds, peakKiB());
    return seconds < 0 ? 1 : 0;
}

// One measurement in a process of its own: {seconds or milliseconds, peak MiB}.
std::pair<double, double> runChild(const char* self, const QStringList& arguments) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QString::fromLocal8Bit(self), arguments);
    child.waitForFinished(600000);
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    return {fields.value(0).toDouble(), fields.value(1).toDouble() / 1024.0};
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && argc <= 4 &&
        (argc == 4 || std::strcmp(argv[1], "scroll") == 0 || std::strcmp(argv[1], "idle") == 0 ||
         std::strcmp(argv[1], "dialog") == 0))
        return measureOne(argc, argv);
    std::printf("platform: %s\n", qgetenv("QT_QPA_PLATFORM").isEmpty()
                                      ? "default"
                                      : qgetenv("QT_QPA_PLATFORM").constData());
    // Each figure is the median of a few runs, the engine and the plain loop taking turns so
    // that both sides of a ratio meet the machine in the same state; the ratio is the median of
    // the pairs' ratios. The spread (lowest to highest) shows how much the machine's load moved
    // the runs.
    constexpr int Runs = 11;
    Figure idle;
    for (int run = 0; run < Runs; ++run)
        idle.runs.push_back(runChild(argv[0], {QStringLiteral("idle")}).second);
    std::printf("idle window: %.1f MiB peak (%.1f to %.1f)\n", idle.median(), idle.low(),
                idle.high());
    std::printf("%-17s %19s %7s %11s   %19s   %5s %5s   %5s %5s\n", "reply", "engine ms (spread)",
                "MiB/s", "above idle", "recv ms (spread)", "ratio", "goal", "/size", "goal");
    struct Row {
        const char* label;
        const char* kind;
        int mib;
        double ratioGoal; // 0: none
        double memoryGoal; // peak above the idle window, per byte of text; 0: none
    };
    const Row rows[] = {{"1 MiB of lines", "lines", 1, 0, 0},
                        {"10 MiB of lines", "lines", 10, 2.5, 1.3},
                        {"50 MiB of lines", "lines", 50, 3.0, 1.3},
                        {"1 MiB one line", "longline", 1, 0, 0},
                        {"10 MiB one line", "longline", 10, 0, 0},
                        {"10 MiB line ends", "ends", 10, 0, 0}};
    const auto goal = [](double value) {
        return value > 0 ? QByteArray::number(value, 'f', 1) : QByteArray("-");
    };
    for (const Row& row : rows) {
        Figure engine, recv, ratio, peak;
        bool failed = false;
        for (int run = 0; run < Runs; ++run) {
            const QStringList arguments = {QString::fromLatin1(row.kind), QString::number(row.mib)};
            const auto [seconds, megabytes] = runChild(argv[0], QStringList{"engine"} + arguments);
            const double plain = runChild(argv[0], QStringList{"recv"} + arguments).first;
            failed = failed || seconds <= 0 || plain <= 0;
            engine.runs.push_back(seconds * 1e3);
            recv.runs.push_back(plain * 1e3);
            ratio.runs.push_back(seconds / plain);
            peak.runs.push_back(megabytes);
        }
        if (failed) {
            std::printf("%-17s did not arrive whole\n", row.label);
            continue;
        }
        const double aboveIdle = peak.median() - idle.median();
        std::printf("%-17s %7.2f (%4.1f-%4.1f) %7.0f %7.1f MiB   %7.2f (%4.1f-%4.1f)   %5.2f %5s   %5.2f "
                    "%5s\n",
                    row.label, engine.median(), engine.low(), engine.high(),
                    row.mib / engine.median() * 1e3, aboveIdle, recv.median(), recv.low(),
                    recv.high(), ratio.median(), goal(row.ratioGoal).constData(),
                    aboveIdle / row.mib, goal(row.memoryGoal).constData());
    }
    Figure first;
    for (int run = 0; run < Runs; ++run)
        first.runs.push_back(
            runChild(argv[0], {QStringLiteral("first"), QStringLiteral("lines"), QStringLiteral("1")})
                .first *
            1e3);
    std::printf("first query of a fresh program, 1 MiB of lines: %.2f ms (%.2f to %.2f)\n",
                first.median(), first.low(), first.high());
    Figure scroll;
    double scrollPeak = 0;
    for (int run = 0; run < 3; ++run) {
        const auto [milliseconds, megabytes] = runChild(argv[0], {QStringLiteral("scroll")});
        scroll.runs.push_back(milliseconds);
        scrollPeak = std::max(scrollPeak, megabytes);
    }
    std::printf("page repaint at the end of 64 MiB: %.3f ms (%.3f to %.3f), peak %.1f MiB\n",
                scroll.median(), scroll.low(), scroll.high(), scrollPeak);
    Figure left;
    for (int run = 0; run < 3; ++run) {
        left.runs.push_back(runChild(argv[0], {QStringLiteral("dialog")}).first);
    }
    std::printf("memory a closed Save As dialog leaves behind: %.1f MiB (%.1f to %.1f)\n",
                left.median(), left.low(), left.high());
    return 0;
}
