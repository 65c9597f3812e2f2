// SPDX-License-Identifier: MIT
#pragma once
// How a screen reader hears the menu bar, as on the desktop: the menu's name, then its item.
// While a menu is open, focus events of the widgets behind it are kept from screen readers:
// moving from one menu of the menu bar to the next, Qt hands the focus back to the window for a
// moment after the next menu's item has it, and a screen reader would speak the window ("Answer
// read only text") and never the menu the user moved to. And an item that takes the focus just
// after its menu's title (F10, Left, Right) is told a moment later, as screen readers skip an
// event that a newer one of its kind follows at once.

namespace app {

class MenuFocusFilter {
public:
    // Installs the filter in front of the platform's accessibility bridge, once.
    static void install();
};

} // namespace app
