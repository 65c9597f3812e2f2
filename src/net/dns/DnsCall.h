// SPDX-License-Identifier: MIT
#pragma once
// What a DNS query run as a call of the query engine shares, whether it asks one server or
// compares several: a deadline for the whole query and its clock, the answer written out on a
// worker thread (a text of thousands of records never holds the window) and dropped when the
// call ended meanwhile, Cancel call stopping everything at once, and the caption "NAME TYPE"
// however the call ends. A call ends exactly once: end() stops the work before the engine
// hears the outcome, and a text that is written after a cancel is never shown.
//
// A subclass stops its own helpers in stopWork() and calls stop() from its destructor (the
// base cannot reach the subclass's helpers by then).

#include "net/dns/DnsLibrary.h"
#include "net/engine/CallSession.h"
#include "net/engine/QueryEngine.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QObject>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

namespace net {

template <typename Report> class DnsCall : public QObject, public CallSession {
public:
    void setDeadline(int ms) { m_deadline.setInterval(ms); }

protected:
    DnsCall(QueryEngine& engine, int deadlineMs) : m_engine(engine) {
        m_deadline.setSingleShot(true);
        m_deadline.setInterval(deadlineMs);
        connect(&m_deadline, &QTimer::timeout, this, [this] { deadlineReached(); });
        connect(&m_writing, &QFutureWatcherBase::finished, this, [this] {
            if (!m_writing.isCanceled() && m_engine.Busy())
                written(m_writing.result());
        });
    }
    ~DnsCall() override { m_writing.waitForFinished(); }

    // The work ahead: the subclass's helpers, stopped at the end, on Cancel and at the deadline.
    virtual void stopWork() = 0;
    // The deadline has come while the query is still at work.
    virtual void deadlineReached() = 0;
    // The text written on the worker thread, back on the window's thread.
    virtual void written(const Report& report) = 0;
    virtual QString caption() const = 0;

    void startClock() {
        m_clock.start();
        m_deadline.start();
    }
    qint64 elapsedMs() const { return m_clock.elapsed(); }
    void stopDeadline() { m_deadline.stop(); }

    // Writes the answer out on a worker thread; the deadline no longer applies. The thread
    // gives back the crypto library's state for it before it returns to the pool.
    template <typename Function, typename... Arguments>
    void writeOnWorker(Function function, Arguments&&... arguments) {
        m_deadline.stop();
        m_writing.setFuture(
            QtConcurrent::run([function, ... given = std::forward<Arguments>(arguments)]() mutable {
                Report report = function(std::move(given)...);
                DnsLibrary::releaseThreadState();
                return report;
            }));
    }
    bool writing() const { return m_writing.isRunning(); }

    void stop() {
        m_deadline.stop();
        stopWork();
        if (m_writing.isRunning())
            m_writing.cancel(); // its text is dropped when it is ready
    }
    void end(const QString& status, Answer answer = Answer::None) {
        stop();
        m_engine.finishCall(status, caption(), answer);
    }

    QueryEngine& m_engine;

private:
    void exchangeEnded(const ExchangeResult&) override {}
    void cancelled() override {
        stop();
        // Whatever ends the query, the caption names it.
        m_engine.view().setCaptionSuffix(caption());
    }

    QTimer m_deadline;
    QElapsedTimer m_clock;
    QFutureWatcher<Report> m_writing;
};

} // namespace net
