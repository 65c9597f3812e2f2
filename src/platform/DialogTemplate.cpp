// SPDX-License-Identifier: MIT
#include "DialogTemplate.h"
#include "CheckList.h"
#include "LabelledComboAccessible.h"
#include "LineEditAccessible.h"
#include "ListBox.h"

#include <QAccessible>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <climits>

namespace platform {

namespace {

// Tab enters a group of radio buttons at the one that is checked, as on the desktop, and
// leaves it with the next Tab; the arrow keys move within it (Qt moves between auto-exclusive
// buttons whatever their focus policy). Until one is checked, Tab stops at each.
void tabToCheckedButton(QButtonGroup* group) {
    QObject::connect(group, &QButtonGroup::buttonToggled, group, [group](QAbstractButton*, bool) {
        const bool anyChecked = group->checkedButton() != nullptr;
        for (QAbstractButton* button : group->buttons())
            button->setFocusPolicy(!anyChecked || button->isChecked() ? Qt::StrongFocus
                                                                      : Qt::ClickFocus);
    });
}

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

// A group box as dialog templates draw one: an etched rectangle whose top edge runs through
// the middle of the title, the title on the dialog's background. The style's own group box
// puts its frame below the title and fills a panel, which shows around the controls that the
// template places inside the box's rectangle.
class TemplateGroupBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QFontMetrics metrics(font());
        const QRect box = rect().adjusted(0, metrics.height() / 2, -2, -2);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(box);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawRect(box.translated(1, 1));
        const QString shown = QString(title()).remove(QLatin1Char('&'));
        if (shown.isEmpty())
            return;
        const QRect label(metrics.averageCharWidth(), 0, metrics.horizontalAdvance(shown) + 4,
                          metrics.height());
        painter.fillRect(label, palette().window());
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                       QPalette::WindowText));
        painter.drawText(label, Qt::AlignCenter, shown);
    }
};

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
    case ControlKind::RadioButton:
        // Exclusive within its group below (a group takes precedence over siblings), and so
        // reported as a radio button rather than a check box.
        return new QRadioButton(text, &dialog);
    case ControlKind::Label: {
        auto* label = new QLabel(text, &dialog);
        label->setTextFormat(Qt::PlainText);
        // Static text paints its own rectangle, so a frame edge it sits on stops at its text.
        label->setAutoFillBackground(true);
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
        auto* group = new TemplateGroupBox(text, &dialog);
        group->setAttribute(Qt::WA_TransparentForMouseEvents);
        return group;
    }
    case ControlKind::CheckList: return new CheckList(&dialog);
    case ControlKind::ListBox: {
        auto* list = new ListBox(&dialog);
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

// Controls that show no text of their own, so a label beside them says what they hold.
bool takesItsNameFromALabel(ControlKind kind) {
    return kind == ControlKind::Edit || kind == ControlKind::ComboDropDown ||
           kind == ControlKind::ComboDropList || kind == ControlKind::ListBox ||
           kind == ControlKind::CheckList || kind == ControlKind::MultiLineEdit;
}

// The rectangle a control takes on its line: a combo box's template height includes its list.
QRect lineRect(const ControlTemplate& control) {
    QRect rect = control.rect;
    if (control.kind == ControlKind::ComboDropDown || control.kind == ControlKind::ComboDropList)
        rect.setHeight(std::min(rect.height(), 14));
    return rect;
}

// Ties each label to the field it describes, as a screen reader needs: the field to its right
// on the same line, or else the one just below it; a group box names the one field it frames.
// The field takes the label's text as its name, and the label's mnemonic moves the focus there.
void nameFieldsByTheirLabels(const DialogTemplate& dialogTemplate, const QList<QWidget*>& widgets) {
    const QList<ControlTemplate>& controls = dialogTemplate.controls;
    const auto name = [](QWidget* field, QString text) {
        text.remove(QLatin1Char('&'));
        if (field->accessibleName().isEmpty() && !text.trimmed().isEmpty())
            field->setAccessibleName(text.trimmed());
    };
    for (qsizetype l = 0; l < controls.size(); ++l) {
        const ControlTemplate& label = controls[l];
        if (label.kind != ControlKind::Label && label.kind != ControlKind::GroupBox)
            continue;
        const QRect around = label.rect;
        qsizetype best = -1;
        int bestDistance = INT_MAX;
        int framed = 0;
        for (qsizetype f = 0; f < controls.size(); ++f) {
            if (!takesItsNameFromALabel(controls[f].kind))
                continue;
            const QRect field = lineRect(controls[f]);
            if (label.kind == ControlKind::GroupBox) {
                if (around.contains(field.topLeft()) && around.contains(field.center())) {
                    ++framed;
                    best = f;
                }
                continue;
            }
            const int middle = around.center().y();
            const bool sameLine = field.top() <= middle && middle <= field.bottom() &&
                                  field.left() >= around.right() - 2;
            const bool below = field.top() >= around.bottom() - 1 &&
                               field.top() - around.bottom() <= 8 &&
                               field.left() <= around.right() && field.right() >= around.left();
            const int distance = sameLine ? field.left() - around.right()
                                 : below  ? 1000 + field.top() - around.bottom()
                                          : INT_MAX;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = f;
            }
        }
        if (best < 0 || (label.kind == ControlKind::GroupBox && framed != 1))
            continue;
        if (auto* text = qobject_cast<QLabel*>(widgets[l]))
            text->setBuddy(widgets[best]);
        name(widgets[best], QString::fromLatin1(label.text ? label.text : ""));
    }
}

} // namespace

namespace {

// The field in the same grid column as another, where a dialog stacks an edit above a list
// (the font dialog's family, style and size).
QLineEdit* editAbove(const QWidget* list) {
    const auto* grid =
        list->parentWidget() ? qobject_cast<QGridLayout*>(list->parentWidget()->layout()) : nullptr;
    if (!grid || grid->indexOf(list) < 0)
        return nullptr;
    int row = 0;
    int column = 0;
    int rows = 0;
    int columns = 0;
    grid->getItemPosition(grid->indexOf(list), &row, &column, &rows, &columns);
    const QLayoutItem* above = row > 0 ? grid->itemAtPosition(row - 1, column) : nullptr;
    return above ? qobject_cast<QLineEdit*>(above->widget()) : nullptr;
}

} // namespace

namespace {

// The field a label stands for: its buddy, or for a label the file dialog leaves without one,
// the field named after it ("lookInLabel" stands for "lookInCombo").
QWidget* fieldOf(const QLabel* label, const QWidget& dialog) {
    if (label->buddy())
        return label->buddy();
    const QString name = label->objectName();
    if (!name.endsWith(QLatin1String("Label")))
        return nullptr;
    for (const QString& kind : {QStringLiteral("Combo"), QStringLiteral("Edit")})
        if (auto* field = dialog.findChild<QWidget*>(name.chopped(5) + kind))
            return field;
    return nullptr;
}

} // namespace

void nameFieldsByTheirBuddies(QWidget& dialog) {
    LabelledComboAccessible::installFactory();
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        QWidget* field = fieldOf(label, dialog);
        QString text = label->text();
        text.remove(QLatin1Char('&'));
        text = text.trimmed();
        if (!field || text.isEmpty())
            continue;
        for (QWidget* named : {field, static_cast<QWidget*>(editAbove(field))}) {
            if (!named || !named->accessibleName().isEmpty())
                continue;
            named->setAccessibleName(text);
            // What a screen reader was told of a combo box before it had a name (its entry as
            // the name) is made anew, now as a labelled combo box.
            if (qobject_cast<QComboBox*>(named))
                QAccessible::deleteAccessibleInterface(
                    QAccessible::uniqueId(QAccessible::queryAccessibleInterface(named)));
        }
    }
}

QRect dialogUnitsToPixels(const QRect& units, const QFont& font) {
    const BaseUnits base = baseUnits(font);
    return {mulDiv(units.x(), base.x, 4), mulDiv(units.y(), base.y, 8),
            mulDiv(units.width(), base.x, 4), mulDiv(units.height(), base.y, 8)};
}

QHash<int, QWidget*> buildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate) {
    LabelledComboAccessible::installFactory();
    LineEditAccessible::installFactory();
    QFont font(QString::fromLatin1(dialogTemplate.fontFace));
    font.setPointSize(dialogTemplate.fontPoints);
    dialog.setFont(font);
    dialog.setWindowTitle(QString::fromLatin1(dialogTemplate.caption));
    dialog.setFixedSize(dialogUnitsToPixels(QRect(QPoint(0, 0), dialogTemplate.size), font).size());

    QHash<int, QWidget*> controls;
    QList<QWidget*> widgets; // in template order
    QList<QWidget*> frames;
    QButtonGroup* radioGroup = nullptr;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = makeControl(dialog, control);
        QRect pixels = dialogUnitsToPixels(control.rect, font);
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            pixels.setHeight(combo->sizeHint().height()); // the template height includes the list
        if (auto* list = qobject_cast<QListWidget*>(widget)) {
            // A list box shows whole lines only: it shrinks to a whole number of them, as
            // templates expect (the box around it is drawn for that height).
            const int frame = 2 * list->frameWidth();
            const int line = QFontMetrics(font).height();
            pixels.setHeight(std::max(1, (pixels.height() - frame) / line) * line + frame);
        }
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
            if (!radioGroup || (control.style & GroupStart)) {
                radioGroup = new QButtonGroup(&dialog);
                tabToCheckedButton(radioGroup);
            }
            radioGroup->addButton(radio);
        }
        if (control.id != -1)
            controls.insert(control.id, widget);
        widgets.append(widget);
    }
    // Frames are drawn behind the controls they surround.
    for (QWidget* frame : frames)
        frame->lower();
    nameFieldsByTheirLabels(dialogTemplate, widgets);
    return controls;
}

} // namespace platform
