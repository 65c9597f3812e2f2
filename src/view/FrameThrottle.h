// SPDX-License-Identifier: MIT
#pragma once
// Runs an update at most once per screen frame (or once per interval given): the first request
// after a quiet spell runs at once, later ones are gathered and run when the interval is up, so
// the last state is always shown and never more than one interval late.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

namespace view {

class FrameThrottle : public QObject {
    Q_OBJECT
public:
    static constexpr int FrameMs = 16;

    explicit FrameThrottle(std::function<void()> update, QObject* parent = nullptr,
                           int intervalMs = FrameMs);

    void request();
    // Runs a gathered update now (before the state is read or changed by other means).
    void flush();
    bool pending() const { return m_timer.isActive(); }

private:
    void run();

    std::function<void()> m_update;
    QTimer m_timer;
    QElapsedTimer m_sinceRun;
    int m_intervalMs;
};

} // namespace view
