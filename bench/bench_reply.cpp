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
//   bench_reply engine|recv KIND MB    one measurement, one line "seconds peakKiB"
//   bench_reply first KIND MB          the engine in a fresh program, without a query before
//   bench_reply scroll                 one line "milliseconds-per-page-repaint peakKiB"
//
// The platform is Qt's: run it with QT_QPA_PLATFORM=offscreen, or under an X server (xcb).

#include "app/TMyApp.h"
#include "app/TMyDecoratedFrame.h"
#include "app/TStyleStatusBar.h"
#include "net/QueryEngine.h"
#include "view/TFingWnd.h"

#include <QElapsedTimer>
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
    constexpr qsizetype Capacity = net::QueryEngine::DefaultWindowCapacity;
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
    const QByteArray kind = argv[2];
    const qsizetype size = qsizetype(atoi(argv[3])) * 1024 * 1024;
    const double seconds = mode == "recv" ? runRecvLoop(kind, size)
                                          : runEngine(argc, argv, kind, size, mode == "first");
    std::printf("%.6f %ld\n", seconds, peakKiB());
    return seconds < 0 ? 1 : 0;
}

QList<QByteArray> runChild(const char* self, const QStringList& arguments) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QString::fromLocal8Bit(self), arguments);
    child.waitForFinished(600000);
    return child.readAllStandardOutput().trimmed().split(' ');
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && argc <= 4 && (argc == 4 || std::strcmp(argv[1], "scroll") == 0))
        return measureOne(argc, argv);
    std::printf("platform: %s\n", qgetenv("QT_QPA_PLATFORM").isEmpty()
                                      ? "default"
                                      : qgetenv("QT_QPA_PLATFORM").constData());
    std::printf("%-16s %9s %8s %9s   %9s %8s %8s   %6s\n", "reply", "engine ms", "MB/s", "peak MB",
                "recv ms", "MB/s", "peak MB", "ratio");
    struct Row {
        const char* label;
        const char* kind;
        int mb;
    };
    const Row rows[] = {{"1 MB of lines", "lines", 1},       {"10 MB of lines", "lines", 10},
                        {"50 MB of lines", "lines", 50},     {"1 MiB one line", "longline", 1},
                        {"10 MiB one line", "longline", 10}, {"10 MB line ends", "ends", 10}};
    // Each figure is the best of a few runs, the engine and the plain loop taking turns, so
    // that a stray pause of this shared machine does not stand for the program and both sides
    // of a ratio meet the machine in the same state.
    constexpr int Runs = 5;
    for (const Row& row : rows) {
        double seconds[2] = {};
        double peak[2] = {};
        const char* modes[2] = {"engine", "recv"};
        bool failed = false;
        for (int run = 0; run < Runs; ++run) {
            for (int i = 0; i < 2; ++i) {
                const QList<QByteArray> fields = runChild(
                    argv[0], {modes[i], QString::fromLatin1(row.kind), QString::number(row.mb)});
                const double s = fields.value(0).toDouble();
                failed = failed || s <= 0;
                if (run == 0 || s < seconds[i])
                    seconds[i] = s;
                peak[i] = std::max(peak[i], fields.value(1).toDouble() / 1024.0);
            }
        }
        if (failed) {
            std::printf("%-16s did not arrive whole\n", row.label);
            continue;
        }
        std::printf("%-16s %9.2f %8.1f %9.1f   %9.2f %8.1f %8.1f   %6.1f\n", row.label,
                    seconds[0] * 1e3, row.mb / seconds[0], peak[0], seconds[1] * 1e3,
                    row.mb / seconds[1], peak[1], seconds[0] / seconds[1]);
    }
    double first = 0;
    for (int run = 0; run < Runs; ++run) {
        const double s = runChild(argv[0], {QStringLiteral("first"), QStringLiteral("lines"),
                                            QStringLiteral("1")})
                             .value(0)
                             .toDouble();
        first = run == 0 ? s : std::min(first, s);
    }
    std::printf("first query of a fresh program, 1 MB of lines: %.2f ms\n", first * 1e3);
    const QList<QByteArray> scroll = runChild(argv[0], {QStringLiteral("scroll")});
    std::printf("page repaint at the end of 64 MiB: %s ms (peak %.1f MB)\n",
                scroll.value(0).constData(), scroll.value(1).toDouble() / 1024.0);
    return 0;
}
