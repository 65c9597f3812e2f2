// SPDX-License-Identifier: MIT
#pragma once
// The tool bar's buttons and their faces: 50 x 16 pixel faces showing the label in bold with
// one letter underlined, drawn at the screen's pixel ratio in the theme's colours.

#include <QIcon>
#include <QList>
#include <QPixmap>

namespace res {

struct ToolBarButton {
    int id;
    int bitmap;        // the face's resource number
    const char* label; // '&' marks the underlined letter
    bool enabledAtCreation;
};

inline constexpr int FaceWidth = 50;
inline constexpr int FaceHeight = 16;
inline constexpr int ToolBarSeparatorWidth = 4;
inline constexpr int AppIconId = 10;

// Left to right.
const QList<ToolBarButton>& toolBarButtons();

// The face of a button; drawnOn is the button it is shown on, whose colours it takes.
QIcon toolBarIcon(const ToolBarButton& button, const QWidget* drawnOn = nullptr);

// The program's icon (resource 10).
QIcon appIcon();

} // namespace res
