// SPDX-License-Identifier: MIT
#pragma once
// The main window's menu "FINGER_MENU", its accelerator table 25003 and the hint strings.

#include "Commands.h"

#include <QKeySequence>
#include <QList>
#include <QString>

namespace res {

struct MenuItem {
    int id = CM_NONE; // CM_NONE for a separator
    const char* text = nullptr;
    bool grayed = false;  // greyed in the template
    bool checked = false; // check mark in the template
};

struct Menu {
    const char* text;
    QList<MenuItem> items;
};

const QList<Menu>& fingerMenu();

struct Accelerator {
    QKeySequence key;
    int id;
};

const QList<Accelerator>& acceleratorTable();
// The keys a Linux desktop's users reach for, beside the table above: they run the same
// commands under the same rules, and the menus keep showing the classic keys.
const QList<Accelerator>& desktopShortcuts();

// A command's name as its menu item reads without the mnemonic and key ("Finger query").
QString commandName(int id);

// The hint text of a command: the string resource with the command's id; empty when none.
QString hintText(int id);

} // namespace res
