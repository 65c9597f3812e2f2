// SPDX-License-Identifier: MIT
#include "MenuResource.h"

#include <QHash>

namespace res {

const QList<Menu>& fingerMenu() {
    static const QList<Menu> menu = {
        {"&File",
         {{CM_SAVEAS, "Save &As", true},
          {},
          {CM_PRINT, "&Print", true},
          {CM_PRINTSETUP, "P&rinter Setup", true},
          {},
          {CM_EXIT, "E&xit"}}},
        {"&Edit",
         {{CM_EDITCOPY, "&Copy\t Ctrl+Ins", true},
          {CM_CLEAR, "C&lear\t Shift+Del", true},
          {},
          {CM_SELECTALL, "&Select All", true}}},
        {"&Search", {{CM_FINDTEXT, "Find &Text\t F5", true}}},
        {"Co&mmand",
         {{CM_FINGER, "&Finger query\t Alt-N"},
          {CM_WHOIS, "&WhoIs query\t Alt-W"},
          {CM_CANCEL, "&Cancel call\t Alt-C", true},
          {CM_DNS, "&DNS lookup\t Alt-D"},
          {CM_DNSRECORDS, "DNS &records\t Alt-R"},
          {CM_MAIL, "&Mail..."}}},
        {"&Options",
         {{CM_ADDRBOOK, "&Address book\t Alt-A"},
          {},
          {CM_HISTORY, "History list", false, true},
          {CM_FONT, "Fo&nt"}}},
        {"&Help",
         {{CM_HELPINDEX, "&Index\t F1"}, {CM_HELPUSING, "&Using Help"}, {}, {CM_ABOUT, "A&bout"}}},
    };
    return menu;
}

const QList<Accelerator>& acceleratorTable() {
    static const QList<Accelerator> table = {
        {QKeySequence(Qt::SHIFT | Qt::Key_Delete), CM_CLEAR},
        {QKeySequence(Qt::ALT | Qt::Key_D), CM_DNS},
        {QKeySequence(Qt::ALT | Qt::Key_N), CM_FINGER},
        {QKeySequence(Qt::ALT | Qt::Key_C), CM_CANCEL},
        {QKeySequence(Qt::ALT | Qt::Key_A), CM_ADDRBOOK},
        {QKeySequence(Qt::ALT | Qt::Key_X), CM_APPEXIT},
        {QKeySequence(Qt::Key_F5), CM_FINDTEXT},
        {QKeySequence(Qt::ALT | Qt::Key_W), CM_WHOIS},
        {QKeySequence(Qt::Key_F1), CM_HELPINDEX},
        {QKeySequence(Qt::ALT | Qt::Key_R), CM_DNSRECORDS},
    };
    return table;
}

const QList<Accelerator>& desktopShortcuts() {
    static const QList<Accelerator> table = {
        {QKeySequence(Qt::CTRL | Qt::Key_A), CM_SELECTALL},
        {QKeySequence(Qt::CTRL | Qt::Key_C), CM_EDITCOPY}, // beside Ctrl+Ins
        {QKeySequence(Qt::CTRL | Qt::Key_S), CM_SAVEAS},
        {QKeySequence(Qt::CTRL | Qt::Key_P), CM_PRINT},
        {QKeySequence(Qt::CTRL | Qt::Key_Q), CM_APPEXIT},
        {QKeySequence(Qt::CTRL | Qt::Key_F), CM_FINDTEXT},
        {QKeySequence(Qt::Key_F3), CM_FINDTEXT}, // find again, as F5 does
    };
    return table;
}

QString commandName(int id) {
    for (const Menu& menu : fingerMenu())
        for (const MenuItem& item : menu.items)
            if (item.id == id) {
                QString name = QString::fromLatin1(item.text);
                return name.left(name.indexOf(QLatin1Char('\t')))
                    .remove(QLatin1Char('&'))
                    .trimmed();
            }
    return {};
}

QString hintText(int id) {
    static const QHash<int, const char*> hints = {
        {CM_SAVEAS, "Save window contents in a file"},
        {CM_EXIT, "Exit Vintrel"},
        {CM_PRINT, "Print contents of the window"},
        {CM_FINGER, "Get Finger information on host or address"},
        {CM_CANCEL, "Cancel outstanding call"},
        {CM_ABOUT, "About Vintrel"},
        {CM_FONT, "Choose window font"},
        {CM_HISTORY, "Keep history list"},
        {CM_SELECTALL, "Select contents of the window"},
        {CM_ADDRBOOK, "Address book"},
        {CM_PRINTSETUP, "Select and set up a printer"},
        {CM_FINDTEXT, "Search for text"},
        {CM_CLEAR, "Clear window contents"},
        {CM_WHOIS, "Whois query"},
        {CM_DNS, "Get DNS lookup information"},
        {CM_DNSRECORDS, "Get DNS records, with DNSSEC checked"},
        {CM_MAIL, "Check a domain's mail end to end"},
        {CM_HELPUSING, "How to use online help"},
        {CM_HELPINDEX, "Help index"},
        {CM_EDITCOPY, "Copy the selected text to the Clipboard"},
    };
    const char* text = hints.value(id, nullptr);
    return text ? QString::fromLatin1(text) : QString();
}

} // namespace res
