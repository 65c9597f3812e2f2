// SPDX-License-Identifier: MIT
#pragma once
// Many direct questions (see DirectQuery) asked at once, each of its own server, with at most
// MaxInFlight on the way at any time so that hundreds of them never take hundreds of sockets.
// Each has its own time-out; the batch ends when every question has its answer or its reason.

#include "DirectQuery.h"

#include <QList>
#include <QObject>

#include <functional>
#include <vector>

namespace net {

struct BatchJob {
    platform::HostAddress address;
    std::uint16_t port = 53;
    DirectQuestion question;
    bool overTcp = false; // asked over TCP from the start
};

class DirectBatch : public QObject {
public:
    static constexpr int MaxInFlight = 64;

    // Called as answers come (how many of how many), and once when all have come.
    std::function<void(qsizetype done, qsizetype all)> onProgress;
    std::function<void()> onDone;

    void start(const QList<BatchJob>& jobs, int timeoutMs);
    void stop();
    bool running() const { return m_running; }
    // One answer a job, in the jobs' order.
    const QList<DirectAnswer>& answers() const { return m_answers; }
    // The messages sent, in the jobs' order (for the checks of what went on the wire).
    const QList<QByteArray>& sent() const { return m_sent; }

private:
    void launchMore();
    void answered(qsizetype job, const DirectAnswer& answer);

    QList<BatchJob> m_jobs;
    QList<DirectAnswer> m_answers;
    QList<QByteArray> m_sent;
    std::vector<DirectQueryPtr> m_queries; // one a job, released once it has answered
    qsizetype m_next = 0;
    qsizetype m_done = 0;
    int m_inFlight = 0;
    int m_timeoutMs = DirectQuery::DefaultTimeoutMs;
    bool m_running = false;
};

} // namespace net
