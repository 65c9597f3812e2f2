#include "DialogTemplate.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace platform {

namespace {

struct BaseUnits {
    int x;
    int y;
};

BaseUnits baseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(alphabet / 26 + 1) / 2, metrics.height()};
}

int mulDiv(int value, int numerator, int denominator) {
    return static_cast<int>((static_cast<long long>(value) * numerator + denominator / 2) /
                            denominator);
}

QWidget* makeControl(QDialog& dialog, const ControlTemplate& control) {
    const QString text = QString::fromLatin1(control.text ? control.text : "");
    switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        auto* button = new QPushButton(text, &dialog);
        button->setAutoDefault(false);
        button->setDefault(control.kind == ControlKind::DefPushButton);
        return button;
    }
    case ControlKind::CheckBox: return new QCheckBox(text, &dialog);
    case ControlKind::RadioButton: {
        auto* radio = new QRadioButton(text, &dialog);
        radio->setAutoExclusive(false); // exclusive through its group below
        return radio;
    }
    case ControlKind::Label: {
        auto* label = new QLabel(text, &dialog);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment((control.style & Centered) ? Qt::AlignHCenter | Qt::AlignTop
                                                       : Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case ControlKind::Icon: return new QLabel(&dialog);
    case ControlKind::EtchedFrame:
    case ControlKind::WhiteFrame: {
        auto* frame = new QFrame(&dialog);
        frame->setFrameStyle(control.kind == ControlKind::EtchedFrame
                                 ? QFrame::Box | QFrame::Sunken
                                 : QFrame::Box | QFrame::Plain);
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
        if (control.kind == ControlKind::WhiteFrame) {
            QPalette white = frame->palette();
            white.setColor(QPalette::WindowText, Qt::white);
            frame->setPalette(white);
        }
        return frame;
    }
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(&dialog);
        edit->setReadOnly(control.style & ReadOnly);
        return edit;
    }
    case ControlKind::GroupBox: {
        auto* group = new QGroupBox(text, &dialog);
        group->setAttribute(Qt::WA_TransparentForMouseEvents);
        return group;
    }
    case ControlKind::ListBox: {
        auto* list = new QListWidget(&dialog);
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        return list;
    }
    case ControlKind::MultiLineEdit: {
        auto* edit = new QPlainTextEdit(&dialog);
        edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        edit->setTabChangesFocus(true);
        edit->setReadOnly(control.style & ReadOnly);
        return edit;
    }
    case ControlKind::ComboDropDown:
    case ControlKind::ComboDropList: {
        auto* combo = new QComboBox(&dialog);
        combo->setEditable(control.kind == ControlKind::ComboDropDown);
        combo->setInsertPolicy(QComboBox::NoInsert);
        if (combo->isEditable()) {
            // What is typed is what is used: no completion that replaces it with a list entry
            // (Qt's matches without regard to case), and Enter does not pick an entry either.
            combo->setCompleter(nullptr);
            combo->setDuplicatesEnabled(true);
        }
        combo->setMaxVisibleItems(10);
        return combo;
    }
    }
    return nullptr;
}

} // namespace

QRect dialogUnitsToPixels(const QRect& units, const QFont& font) {
    const BaseUnits base = baseUnits(font);
    return {mulDiv(units.x(), base.x, 4), mulDiv(units.y(), base.y, 8),
            mulDiv(units.width(), base.x, 4), mulDiv(units.height(), base.y, 8)};
}

QHash<int, QWidget*> buildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate) {
    QFont font(QString::fromLatin1(dialogTemplate.fontFace));
    font.setPointSize(dialogTemplate.fontPoints);
    dialog.setFont(font);
    dialog.setWindowTitle(QString::fromLatin1(dialogTemplate.caption));
    dialog.setFixedSize(dialogUnitsToPixels(QRect(QPoint(0, 0), dialogTemplate.size), font).size());

    QHash<int, QWidget*> controls;
    QList<QWidget*> frames;
    QButtonGroup* radioGroup = nullptr;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = makeControl(dialog, control);
        QRect pixels = dialogUnitsToPixels(control.rect, font);
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            pixels.setHeight(combo->sizeHint().height()); // the template height includes the list
        widget->setGeometry(pixels);
        const bool frameLike = control.kind == ControlKind::EtchedFrame ||
                               control.kind == ControlKind::WhiteFrame ||
                               control.kind == ControlKind::GroupBox;
        const bool focusable =
            control.kind != ControlKind::Label && control.kind != ControlKind::Icon && !frameLike;
        if (!focusable)
            widget->setFocusPolicy(Qt::NoFocus);
        if (frameLike)
            frames.append(widget);
        if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
            if (!radioGroup || (control.style & GroupStart))
                radioGroup = new QButtonGroup(&dialog);
            radioGroup->addButton(radio);
        }
        if (control.id != -1)
            controls.insert(control.id, widget);
    }
    // Frames are drawn behind the controls they surround.
    for (QWidget* frame : frames)
        frame->lower();
    return controls;
}

} // namespace platform
