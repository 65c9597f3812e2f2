// SPDX-License-Identifier: MIT
#pragma once

#include "CallAnnouncer.h"
#include "view/FrameThrottle.h"

#include <QFrame>
#include <QStatusBar>

namespace app {

// The status bar's one message field. It paints its text itself, so a new text never costs a
// layout pass, and it repaints at most once per screen frame: a reply sets the byte count for
// every block read, and the last text set is always the one shown.
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
    void announce();

    QString m_text;
    QString m_announced; // the text screen readers were last told of
    view::FrameThrottle m_repaint;
    static constexpr int AnnounceMs = 400;
    view::FrameThrottle m_announce;
};

// The status bar: one recessed message field across the bar, shared by hint texts and the
// engine's status texts. Texts are drawn as plain text, never read as markup.
class TStyleStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TStyleStatusBar(QWidget* parent = nullptr);

    void setText(const QString& text) { m_field->setText(text); }
    const QString& text() const { return m_field->text(); }
    // Has a screen reader say text once, unasked (see CallAnnouncer).
    void announce(const QString& text);

private:
    MessageField* m_field;
    CallAnnouncer* m_announcer;
};

} // namespace app
