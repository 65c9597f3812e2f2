// SPDX-License-Identifier: MIT
#pragma once
// What the main window keeps in "vintrel.ini": its placement, its font and the history switch.

#include "platform/LogFont.h"

#include <QRect>
#include <QString>

namespace app {

struct FrameSettings {
    QRect placement{40, 60, 560, 360}; // x, y, w, h of the window
    bool reopenMaximized = false;
    bool keepHistory = true;
    platform::LOGFONT font = defaultFont();

    static platform::LOGFONT defaultFont();

    // Missing file, section or key: the defaults above. The placement is kept on the
    // available screen area: a stored position or size beyond it (a hostile 2147483647
    // included) is clamped, so the window always opens where it can be seen and reached.
    static FrameSettings read(const QString& path, const QRect& available = availableArea());
    static QRect availableArea();
    static QRect clampedPlacement(qint64 x, qint64 y, qint64 w, qint64 h, const QRect& available);

    // Writes "Window Size" (placement only when not maximized), "Font" and "Options" in one
    // atomic save; every other section of the file stays as it was. False when the file could
    // not be written (a full disk, no permission, a file that could not be read). A file at
    // its size cap makes room by dropping finger history entries (how many: droppedHistory).
    bool write(const QString& path, int* droppedHistory = nullptr) const;
};

} // namespace app
