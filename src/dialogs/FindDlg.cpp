// SPDX-License-Identifier: MIT
#include "FindDlg.h"
#include "ByteLimit.h"
#include "StoredList.h"
#include "resources/DialogTemplates.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

namespace dialogs {

namespace {

// Checked states in the order the controls exchange them with the buffer.
struct StateField {
    int control;
    std::uint32_t FindTransferBuffer::*field;
};
constexpr StateField stateFields[] = {
    {res::IDC_FIND_FORWARD, &FindTransferBuffer::forward},
    {res::IDC_FIND_BACKWARD, &FindTransferBuffer::backward},
    {res::IDC_FIND_FROMCURSOR, &FindTransferBuffer::fromCursor},
    {res::IDC_FIND_ENTIRESCOPE, &FindTransferBuffer::entireScope},
    {res::IDC_FIND_CASE, &FindTransferBuffer::caseSensitive},
    {res::IDC_FIND_WHOLEWORD, &FindTransferBuffer::wholeWord},
};

} // namespace

FindDlg::FindDlg(QWidget* parent, int resourceId, FindTransferBuffer* buffer)
    : Base_Dialog(parent, resourceId), m_buffer(buffer) {
    auto* text = control<QLineEdit>(res::IDC_FIND_TEXT);
    limitUtf8Bytes(text, FieldBufferSize - 1);
    for (QLabel* label : findChildren<QLabel*>())
        if (label->text() == QStringLiteral("&Text to find:"))
            label->setBuddy(text);
    nameGroup(QStringLiteral("Options"), {res::IDC_FIND_CASE, res::IDC_FIND_WHOLEWORD});
    nameGroup(QStringLiteral("Direction"), {res::IDC_FIND_FORWARD, res::IDC_FIND_BACKWARD});
    nameGroup(QStringLiteral("Origin"), {res::IDC_FIND_FROMCURSOR, res::IDC_FIND_ENTIRESCOPE});
    // Tab goes as the eye reads: the field, the three groups left to right, then the buttons.
    setControlTabOrder({res::IDC_FIND_TEXT, res::IDC_FIND_CASE, res::IDC_FIND_WHOLEWORD,
                        res::IDC_FIND_FORWARD, res::IDC_FIND_BACKWARD, res::IDC_FIND_FROMCURSOR,
                        res::IDC_FIND_ENTIRESCOPE, res::IDOK, res::IDCANCEL});
    text->setFocus();
}

void FindDlg::SetupWindow() {
    auto* text = control<QLineEdit>(res::IDC_FIND_TEXT);
    text->setText(m_buffer->text);
    text->selectAll();
    for (const StateField& state : stateFields)
        control<QAbstractButton>(state.control)->setChecked(m_buffer->*state.field != 0);
    text->setFocus();
}

void FindDlg::done(int result) {
    if (result == res::IDOK) {
        m_buffer->text = fieldText(control<QLineEdit>(res::IDC_FIND_TEXT)->text());
        for (const StateField& state : stateFields)
            m_buffer->*state.field = control<QAbstractButton>(state.control)->isChecked() ? 1 : 0;
    }
    Base_Dialog::done(result);
}

} // namespace dialogs
