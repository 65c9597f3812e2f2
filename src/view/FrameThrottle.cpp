// SPDX-License-Identifier: MIT
#include "FrameThrottle.h"

namespace view {

FrameThrottle::FrameThrottle(std::function<void()> update, QObject* parent, int intervalMs)
    : QObject(parent), m_update(std::move(update)), m_intervalMs(intervalMs) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &FrameThrottle::run);
}

void FrameThrottle::request() {
    if (m_timer.isActive())
        return;
    const qint64 since = m_sinceRun.isValid() ? m_sinceRun.elapsed() : m_intervalMs;
    if (since >= m_intervalMs)
        run();
    else
        m_timer.start(int(m_intervalMs - since));
}

void FrameThrottle::flush() {
    if (m_timer.isActive())
        run();
}

void FrameThrottle::run() {
    m_timer.stop();
    m_sinceRun.start();
    m_update();
}

} // namespace view
