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

    // Missing file, section or key: the defaults above.
    static FrameSettings read(const QString& path);

    // Writes "Window Size" (placement only when not maximized), "Font" and "Options" in one
    // atomic save; every other section of the file stays as it was.
    void write(const QString& path) const;
};

} // namespace app
