// SPDX-License-Identifier: MIT
#include "ToolBarFaces.h"
#include "Commands.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <utility>

namespace res {

namespace {
#include "AppIconData.inc"
}

const QList<ToolBarButton>& toolBarButtons() {
    static const QList<ToolBarButton> buttons = {
        {CM_FINGER, 7, "Fi&nger", true},      {CM_WHOIS, 2, "&WhoIs", true},
        {CM_CANCEL, 6, "&Cancel", false},     {CM_CLEAR, 8, "Clear", false},
        {CM_ADDRBOOK, 5, "&AddBook", true},   {CM_DNS, 1, "&DNS", true},
        {CM_DNSRECORDS, 9, "&Records", true},
    };
    return buttons;
}

namespace {

// The largest bold lettering up to 11 pixels in which every label fits its face, so all faces
// read alike.
QFont faceFont() {
    QFont font = QGuiApplication::font();
    font.setBold(true);
    for (int pixels = 11; pixels > 6; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetrics metrics(font);
        const bool fits = std::all_of(
            toolBarButtons().begin(), toolBarButtons().end(), [&](const ToolBarButton& button) {
                return metrics.horizontalAdvance(QString::fromLatin1(button.label).remove('&')) <=
                       FaceWidth - 2;
            });
        if (fits)
            break;
    }
    return font;
}

// Draws the label for the size and pixel ratio it is shown at, in the button text colour the
// button itself is drawn with (its palette, which a style sheet's colours reach too; the
// disabled colour for a disabled button), so it is sharp on any screen and readable in any
// theme.
class LabelIconEngine : public QIconEngine {
public:
    LabelIconEngine(QString label, const QWidget* drawnOn)
        : m_label(std::move(label)), m_drawnOn(drawnOn) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const QPalette palette = m_drawnOn ? m_drawnOn->palette() : QGuiApplication::palette();
        painter->save();
        painter->setFont(faceFont());
        painter->setPen(palette.color(
            mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Active, QPalette::ButtonText));
        painter->drawText(rect, Qt::AlignCenter | Qt::TextShowMnemonic, m_label);
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1);
    }
    // size counts device pixels: the face's own size times scale.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        QPixmap face(size);
        face.setDevicePixelRatio(scale);
        face.fill(Qt::transparent);
        QPainter painter(&face);
        paint(&painter, QRect(QPoint(0, 0), (QSizeF(size) / scale).toSize()), mode, state);
        return face;
    }
    QIconEngine* clone() const override { return new LabelIconEngine(m_label, m_drawnOn); }

private:
    QString m_label;
    QPointer<const QWidget> m_drawnOn;
};

} // namespace

QIcon toolBarIcon(const ToolBarButton& button, const QWidget* drawnOn) {
    return QIcon(new LabelIconEngine(QString::fromLatin1(button.label), drawnOn));
}

QIcon appIcon() {
    return QIcon(QPixmap(appIconXpm));
}

} // namespace res
