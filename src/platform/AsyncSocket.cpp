// SPDX-License-Identifier: MIT
#include "AsyncSocket.h"
#include "WinsockErrors.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <map>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

struct SocketState {
    int fd = -1;
    QPointer<QObject> receiver;
    int message = 0;
    long mask = 0;
    bool connecting = false; // connect() in progress, FD_CONNECT not yet reported
    bool connected = false;
    bool connectDue = false; // connect succeeded at once; FD_CONNECT still to report
    bool writeDue = false;   // FD_WRITE owed: after connecting, or after a send that blocked
    bool readPosted = false; // FD_READ or FD_CLOSE posted, waiting for the next recv
    bool readDue = false;    // a recv left data behind: the next FD_READ is owed at once
    bool pumpPosted = false; // the read pump has an event waiting for this socket
    bool pumping = false;    // the read pump is handing FD_READs over right now
    bool closeReported = false;
    std::unique_ptr<QSocketNotifier> readNotifier;
    std::unique_ptr<QSocketNotifier> writeNotifier;
};

std::map<SOCKET, std::unique_ptr<SocketState>>& table() {
    static std::map<SOCKET, std::unique_ptr<SocketState>> sockets;
    return sockets;
}

SOCKET nextHandle() {
    static SOCKET counter = 0;
    return ++counter;
}

SocketState* lookup(SOCKET s) {
    auto it = table().find(s);
    return it == table().end() ? nullptr : it->second.get();
}

int fail(int error) {
    WSASetLastError(error);
    return SOCKET_ERROR;
}

void post(SOCKET s, SocketState& st, long event, int error) {
    if (st.receiver)
        QCoreApplication::postEvent(
            st.receiver, new AsyncReplyEvent(st.message, s, makeSelectReply(event, error)));
}

void onReadable(SOCKET s);
void onWritable(SOCKET s);

// Hands owed FD_READs over one after another. Each FD_READ is answered by one recv; when that
// recv leaves data behind, the next FD_READ is due at once, and the pump delivers it in the same
// turn of the event loop instead of posting it through the queue, for up to PumpBudgetMs. Then
// the loop runs (paints, input, timers, a Cancel) before the pump goes on.
class ReadPump : public QObject {
public:
    static constexpr int PumpBudgetMs = 4;
    static constexpr QEvent::Type PumpEvent = QEvent::Type(QEvent::User + 26002);

    class Request : public QEvent {
    public:
        explicit Request(SOCKET socket) : QEvent(PumpEvent), s(socket) {}
        const SOCKET s;
    };

    static ReadPump& instance() {
        static ReadPump pump;
        return pump;
    }
    void schedule(SOCKET s, SocketState& st) {
        if (st.pumping || st.pumpPosted)
            return;
        st.pumpPosted = true;
        QCoreApplication::postEvent(this, new Request(s));
    }

protected:
    bool event(QEvent* e) override {
        if (e->type() != PumpEvent)
            return QObject::event(e);
        deliver(static_cast<Request*>(e)->s);
        return true;
    }

private:
    void deliver(SOCKET s);
};

// Switches the notifiers on or off to match what the socket owes its receiver.
void rearm(SOCKET s, SocketState& st) {
    const bool active = st.mask != 0 && st.receiver;
    const bool wantRead = active && st.connected && !st.readPosted && !st.closeReported &&
                          (st.mask & (FD_READ | FD_CLOSE));
    const bool wantWrite = active && ((st.connecting && (st.mask & FD_CONNECT)) ||
                                      (st.connected && st.writeDue && (st.mask & FD_WRITE)));
    if (wantRead && !st.readNotifier) {
        st.readNotifier = std::make_unique<QSocketNotifier>(st.fd, QSocketNotifier::Read);
        QObject::connect(st.readNotifier.get(), &QSocketNotifier::activated,
                         [s] { onReadable(s); });
    }
    if (st.readNotifier)
        st.readNotifier->setEnabled(wantRead);
    if (wantWrite && !st.writeNotifier) {
        st.writeNotifier = std::make_unique<QSocketNotifier>(st.fd, QSocketNotifier::Write);
        QObject::connect(st.writeNotifier.get(), &QSocketNotifier::activated,
                         [s] { onWritable(s); });
    }
    if (st.writeNotifier)
        st.writeNotifier->setEnabled(wantWrite);
    if (active && st.connectDue && (st.mask & FD_CONNECT)) {
        st.connectDue = false;
        post(s, st, FD_CONNECT, 0);
    }
}

void onWritable(SOCKET s) {
    SocketState* st = lookup(s);
    if (!st)
        return;
    if (st->connecting) {
        int error = 0;
        socklen_t len = sizeof error;
        if (::getsockopt(st->fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0)
            error = errno;
        st->connecting = false;
        st->connected = error == 0;
        st->writeDue = st->connected;
        post(s, *st, FD_CONNECT, wsaErrorFromErrno(error));
    } else if (st->writeDue) {
        st->writeDue = false;
        post(s, *st, FD_WRITE, 0);
    }
    rearm(s, *st);
}

void ReadPump::deliver(SOCKET s) {
    SocketState* st = lookup(s);
    if (!st)
        return;
    st->pumpPosted = false;
    st->pumping = true;
    QElapsedTimer elapsed;
    elapsed.start();
    while (st && st->readDue && st->receiver && elapsed.elapsed() < PumpBudgetMs) {
        st->readDue = false;
        AsyncReplyEvent read(st->message, s, makeSelectReply(FD_READ, 0));
        QCoreApplication::sendEvent(st->receiver, &read);
        st = lookup(s); // the receiver may have closed the socket
    }
    if (!st)
        return;
    st->pumping = false;
    if (st->readDue && st->receiver)
        schedule(s, *st);
}

void onReadable(SOCKET s) {
    SocketState* st = lookup(s);
    if (!st)
        return;
    char probe = 0;
    const ssize_t n = ::recv(st->fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) {
        if (st->mask & FD_READ) {
            st->readPosted = true;
            post(s, *st, FD_READ, 0);
        }
    } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        st->closeReported = true;
        if (st->mask & FD_CLOSE)
            post(s, *st, FD_CLOSE, n == 0 ? 0 : wsaErrorFromErrno(errno));
    }
    rearm(s, *st);
}

} // namespace

SOCKET socket(int family) {
    const int fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        WSASetLastError(wsaErrorFromErrno(errno));
        return INVALID_SOCKET;
    }
    const SOCKET s = nextHandle();
    auto st = std::make_unique<SocketState>();
    st->fd = fd;
    table().emplace(s, std::move(st));
    return s;
}

int WSAAsyncSelect(SOCKET s, QObject* receiver, int message, long mask) {
    SocketState* st = lookup(s);
    if (!st)
        return fail(10038);
    st->receiver = receiver;
    st->message = message;
    st->mask = mask;
    if (st->connected && (mask & FD_WRITE) && !st->connecting)
        st->writeDue = true; // a newly selected FD_WRITE is reported once the socket can send
    rearm(s, *st);
    return 0;
}

int connect(SOCKET s, const sockaddr* address, socklen_t length) {
    SocketState* st = lookup(s);
    if (!st)
        return fail(10038);
    if (::connect(st->fd, address, length) == 0) {
        st->connected = true;
        st->writeDue = true;
        st->connectDue = true;
        rearm(s, *st);
        return 0;
    }
    if (errno != EINPROGRESS)
        return fail(wsaErrorFromErrno(errno));
    st->connecting = true;
    rearm(s, *st);
    return fail(10035);
}

int send(SOCKET s, const char* data, int length) {
    SocketState* st = lookup(s);
    if (!st)
        return fail(10038);
    const ssize_t n = ::send(st->fd, data, static_cast<size_t>(length), MSG_NOSIGNAL);
    if (n >= 0)
        return static_cast<int>(n);
    const int error = wsaErrorFromErrno(errno);
    if (errno == EAGAIN) {
        st->writeDue = true;
        rearm(s, *st);
    }
    return fail(error);
}

int recv(SOCKET s, char* buffer, int length) {
    SocketState* st = lookup(s);
    if (!st)
        return fail(10038);
    const ssize_t n = ::recv(st->fd, buffer, static_cast<size_t>(length), MSG_DONTWAIT);
    const int error = n < 0 ? errno : 0;
    if (n == length && length > 0 && (st->mask & FD_READ)) {
        // A full buffer probably left data behind: the next FD_READ is due at once, without a
        // round through poll. When the guess is wrong, that recv says WSAEWOULDBLOCK, as a
        // spurious FD_READ may.
        st->readDue = true;
        ReadPump::instance().schedule(s, *st);
    } else {
        st->readPosted = false;
        rearm(s, *st);
    }
    if (n < 0)
        return fail(wsaErrorFromErrno(error));
    return static_cast<int>(n);
}

int closesocket(SOCKET s) {
    auto it = table().find(s);
    if (it == table().end())
        return fail(10038);
    const int fd = it->second->fd;
    table().erase(it); // the notifiers go before their descriptor
    ::close(fd);
    return 0;
}

int openSocketCount() {
    return static_cast<int>(table().size());
}

} // namespace platform
