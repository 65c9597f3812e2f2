// Streams replies of 1, 10 and 50 MB from a loopback server through the query engine into a
// shown main window and reports the time until "Connection closed", the throughput and the
// peak resident memory, beside a plain loop of 800-byte recv calls on the same bytes.
// Each measurement runs in a process of its own so that peak memory is its own.
//
//   bench_reply                      all sizes, both ways, as a table
//   bench_reply engine|recv MB       one measurement, one line "seconds peakKiB"

#include "app/TMyApp.h"
#include "app/TMyDecoratedFrame.h"
#include "app/TStyleStatusBar.h"
#include "view/TFingWnd.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <cstdio>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

QByteArray replyOf(qsizetype bytes) {
    QByteArray line = "Login: someone        Name: Some One         Directory: /home/someone\r\n";
    QByteArray reply;
    reply.reserve(bytes);
    while (reply.size() < bytes)
        reply += line;
    reply.truncate(bytes);
    return reply;
}

// Accepts one connection, reads the request line, sends the reply and closes.
struct Server {
    int listener = -1;
    quint16 port = 0;
    std::thread thread;

    explicit Server(QByteArray reply) {
        listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener, 1);
        socklen_t len = sizeof address;
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &len);
        port = address.sin_port;
        thread = std::thread([this, reply = std::move(reply)] {
            const int peer = ::accept(listener, nullptr, nullptr);
            char c = 0;
            while (::recv(peer, &c, 1, 0) == 1 && c != '\n') {
            }
            for (qsizetype sent = 0; sent < reply.size();) {
                const ssize_t n =
                    ::send(peer, reply.constData() + sent, size_t(reply.size() - sent), 0);
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

double runRecvLoop(const QByteArray& reply) {
    Server server(reply);
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = server.port;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QElapsedTimer timer;
    timer.start();
    ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::send(s, "\r\n", 2, 0);
    char buffer[800];
    qsizetype total = 0;
    for (ssize_t n; (n = ::recv(s, buffer, sizeof buffer, 0)) > 0;)
        total += n;
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    ::close(s);
    return total == reply.size() ? seconds : -1;
}

double runEngine(int argc, char** argv, const QByteArray& reply) {
    app::TMyApp application(argc, argv);
    QTemporaryDir dir;
    app::TMyDecoratedFrame frame(dir.path() + '/');
    frame.show();
    Server server(reply);
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
                       engine.BytesReceived() == quint32(reply.size());
    return whole ? seconds : -1;
}

int measureOne(int argc, char** argv) {
    const QByteArray mode = argv[1];
    const QByteArray reply = replyOf(qsizetype(atoi(argv[2])) * 1024 * 1024);
    const double seconds = mode == "recv" ? runRecvLoop(reply) : runEngine(argc, argv, reply);
    std::printf("%.3f %ld\n", seconds, peakKiB());
    return seconds < 0 ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3)
        return measureOne(argc, argv);
    std::printf("%-6s %10s %9s %9s   %10s %9s %9s   %8s\n", "size", "engine s", "MB/s", "peak MB",
                "recv s", "MB/s", "peak MB", "ratio");
    for (int mb : {1, 10, 50}) {
        double seconds[2] = {};
        double peak[2] = {};
        const char* modes[2] = {"engine", "recv"};
        for (int i = 0; i < 2; ++i) {
            QProcess child;
            child.start(QString::fromLocal8Bit(argv[0]), {modes[i], QString::number(mb)});
            child.waitForFinished(600000);
            const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
            seconds[i] = fields.value(0).toDouble();
            peak[i] = fields.value(1).toDouble() / 1024.0;
        }
        std::printf("%3d MB %10.3f %9.1f %9.1f   %10.3f %9.1f %9.1f   %8.1f\n", mb, seconds[0],
                    mb / seconds[0], peak[0], seconds[1], mb / seconds[1], peak[1],
                    seconds[0] / seconds[1]);
    }
    return 0;
}
