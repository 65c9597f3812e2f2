// SPDX-License-Identifier: MIT
#pragma once
// The menus' style: a greyed item can be highlighted, as on the classic platform, so its hint
// reaches the status bar like any other item's; and Alt alone does not take the keyboard to the
// menu bar (F10 does, as on every Linux desktop): under a screen reader, which holds each key
// for a moment, an Alt+C for Cancel call arrives as Alt pressed and released before the C, and
// the keyboard would be left in the menu bar. Everything else is the application's style.

#include <QProxyStyle>

namespace app {

class MenuHintStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override {
        if (hint == SH_Menu_AllowActiveAndDisabled)
            return 1;
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace app
