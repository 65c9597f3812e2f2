#pragma once

#include <QLabel>
#include <QStatusBar>

namespace app {

// The status bar: one recessed message field across the bar, shared by hint texts and the
// engine's status texts. Texts are shown as plain text, never as markup.
class TStyleStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TStyleStatusBar(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return m_field->text(); }

private:
    QLabel* m_field;
};

} // namespace app
