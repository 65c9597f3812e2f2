// SPDX-License-Identifier: MIT
#pragma once
// SVG pictures drawn into PNG files, for a run without a window: an application object with
// fonts on the off-screen platform (no display needed), and the SVG rendered at its own size
// on white.

#include "terminal/TerminalMain.h"

namespace app {

terminal::PictureSupport pngPictureSupport();

// Renders svg into a PNG file at path, scaled by scale; why not, or empty when written.
QString writePng(const QByteArray& svg, const QString& path, double scale = 1.0);

} // namespace app
