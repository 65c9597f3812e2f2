#pragma once

#include <QFrame>
#include <QStatusBar>

namespace app {

// The status bar's one message field. It paints its text itself, so a new text costs one
// repaint request and never a layout pass: a reply sets the byte count for every block read.
class MessageField : public QFrame {
    Q_OBJECT
public:
    explicit MessageField(QWidget* parent = nullptr);

    void setText(const QString& text);
    const QString& text() const { return m_text; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};

// The status bar: one recessed message field across the bar, shared by hint texts and the
// engine's status texts. Texts are drawn as plain text, never read as markup.
class TStyleStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TStyleStatusBar(QWidget* parent = nullptr);

    void setText(const QString& text) { m_field->setText(text); }
    const QString& text() const { return m_field->text(); }

private:
    MessageField* m_field;
};

} // namespace app
