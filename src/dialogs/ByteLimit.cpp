// SPDX-License-Identifier: MIT
#include "ByteLimit.h"

#include <QApplication>
#include <QLineEdit>
#include <QValidator>

namespace dialogs {

namespace {

class Utf8ByteValidator : public QValidator {
public:
    Utf8ByteValidator(int maxBytes, QObject* parent) : QValidator(parent), m_maxBytes(maxBytes) {}

    State validate(QString& input, int&) const override {
        if (input.toUtf8().size() <= m_maxBytes)
            return Acceptable;
        QApplication::beep();
        return Invalid;
    }

private:
    int m_maxBytes;
};

} // namespace

void limitUtf8Bytes(QLineEdit* field, int maxBytes) {
    // Never more characters than bytes either, which also bounds pasted text early.
    field->setMaxLength(maxBytes);
    field->setValidator(new Utf8ByteValidator(maxBytes, field));
}

} // namespace dialogs
