// SPDX-License-Identifier: MIT
#pragma once
// The menus' style: a greyed item can be highlighted, as on the classic platform, so its hint
// reaches the status bar like any other item's. Everything else is the application's style.

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
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace app
