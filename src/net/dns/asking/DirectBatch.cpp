// SPDX-License-Identifier: MIT
#include "DirectBatch.h"

namespace net {

void DirectBatch::start(const QList<BatchJob>& jobs, int timeoutMs) {
    stop();
    m_jobs = jobs;
    m_answers = QList<DirectAnswer>(jobs.size());
    m_sent = QList<QByteArray>(jobs.size());
    m_queries.resize(size_t(jobs.size()));
    m_timeoutMs = timeoutMs;
    m_running = true;
    if (jobs.isEmpty()) {
        // Nothing to ask: told from the event loop, as any end is.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_running && m_jobs.isEmpty()) {
                    m_running = false;
                    if (onDone)
                        onDone();
                }
            },
            Qt::QueuedConnection);
        return;
    }
    launchMore();
}

void DirectBatch::stop() {
    m_running = false;
    m_queries.clear(); // each is deleted from the event loop, and tells nothing more
    m_jobs.clear();
    m_next = 0;
    m_done = 0;
    m_inFlight = 0;
}

void DirectBatch::launchMore() {
    while (m_running && m_inFlight < MaxInFlight && m_next < m_jobs.size()) {
        const qsizetype job = m_next++;
        const BatchJob& each = m_jobs[job];
        DirectQueryPtr query(new DirectQuery(each.address, each.port, each.question, this));
        query->setTimeout(m_timeoutMs);
        query->setTcpOnly(each.overTcp);
        query->onDone = [this, job](const DirectAnswer& answer) { answered(job, answer); };
        m_sent[job] = query->message();
        DirectQuery* started = query.get();
        m_queries[size_t(job)] = std::move(query);
        ++m_inFlight;
        started->start();
    }
}

void DirectBatch::answered(qsizetype job, const DirectAnswer& answer) {
    m_answers[job] = answer;
    m_queries[size_t(job)].reset(); // deleted once its signal has returned
    --m_inFlight;
    ++m_done;
    if (onProgress)
        onProgress(m_done, m_jobs.size());
    if (!m_running)
        return; // stopped from the progress report
    if (m_done == m_jobs.size()) {
        m_running = false;
        if (onDone)
            onDone();
        return;
    }
    launchMore();
}

} // namespace net
