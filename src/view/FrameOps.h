// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace view {

// What the output window asks of its frame: the status text, the caption and the switch
// between idle and call-running hint behaviour.
class FrameOps {
public:
    virtual ~FrameOps() = default;
    virtual void SetStatusText(const QString& text, const QString& suffix = QString()) = 0;
    virtual void SetCaptionSuffix(const QString& suffix) = 0; // empty: the base title alone
    virtual void SetCallIdle(bool idle) = 0;
};

} // namespace view
