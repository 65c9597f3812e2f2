// SPDX-License-Identifier: MIT
#pragma once
// Types into a field as a person does: the field takes the focus, what it holds is selected
// (Ctrl+A) and the text is typed over it key by key. A character beyond ASCII arrives as a key
// event carrying that text, as from a keyboard layout or an input method.

#include <QTest>
#include <QWidget>

inline void typeKeys(QWidget* field, const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() < 0x80) {
            QTest::keyClick(field, char(c.unicode()));
            continue;
        }
        const qsizetype length = c.isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, text.mid(i, length),
                            Qt::NoModifier);
        i += length - 1;
    }
}

inline void typeInto(QWidget* field, const QString& text) {
    field->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Delete);
    else
        typeKeys(field, text);
}
