// SPDX-License-Identifier: MIT
#pragma once
// Dialog templates as data, laid out in dialog units, and the one builder that turns a
// template into widgets. A horizontal dialog unit is a quarter of the dialog font's average
// character width, a vertical one an eighth of its height, as on the classic platform.

#include <QFont>
#include <QHash>
#include <QList>
#include <QRect>
#include <QString>

class QDialog;
class QWidget;

namespace platform {

enum class ControlKind {
    PushButton,
    DefPushButton,
    CheckBox,
    Label,       // static text
    Icon,        // the program's icon
    EtchedFrame, // etched (and sunken) frame, text not shown
    WhiteFrame,
    Edit,
    ComboDropDown, // drop-down with an edit field
    ComboDropList, // drop-down list without an edit field
    GroupBox,      // a frame with its text as title
    ListBox,       // a list of entries, one selected at most
    CheckList,     // a list of entries, each with a check box
    MultiLineEdit, // several lines, wrapped at words, Enter breaks the line
    RadioButton,   // exclusive within its group (from a GroupStart to the next)
};

enum ControlStyle : unsigned {
    NoStyle = 0,
    Centered = 1u << 0, // centred static text
    ReadOnly = 1u << 1,
    Sorted = 1u << 2,
    TabStop = 1u << 3,
    GroupStart = 1u << 4, // the first control of a group of radio buttons
};

struct ControlTemplate {
    int id; // -1 for controls the program does not address
    ControlKind kind;
    const char* text;
    QRect rect; // dialog units
    unsigned style = NoStyle;
};

struct DialogTemplate {
    int id;
    const char* caption;
    const char* fontFace;
    int fontPoints;
    QSize size; // dialog units
    QList<ControlTemplate> controls;
};

// Dialog units to pixels for the given dialog font.
QRect dialogUnitsToPixels(const QRect& units, const QFont& font);

// Makes the template's controls as children of dialog, sized and placed in pixels, in
// template order (which is the tab order); sets caption, font and size. Returns the controls
// that have an id.
QHash<int, QWidget*> buildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate);

// Names each field of a dialog built elsewhere (the file and font dialogs) by the label whose
// mnemonic leads to it, for screen readers; fields that have a name keep it.
void nameFieldsByTheirBuddies(QWidget& dialog);

} // namespace platform
