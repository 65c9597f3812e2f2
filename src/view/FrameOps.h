// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace view {

// What the output window asks of its frame: the status text, the caption, the switch between
// idle and call-running hint behaviour, and what a screen reader is told unasked.
class FrameOps {
public:
    virtual ~FrameOps() = default;
    virtual void SetStatusText(const QString& text, const QString& suffix = QString()) = 0;
    virtual void SetCaptionSuffix(const QString& suffix) = 0; // empty: the base title alone
    virtual void SetCallIdle(bool idle) = 0;
    // Has a screen reader say text once, unasked (a call's outcome).
    virtual void Announce(const QString& text) { Q_UNUSED(text); }
};

} // namespace view
