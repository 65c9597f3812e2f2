#include "ToolBarFaces.h"
#include "Commands.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

namespace res {

namespace {
#include "AppIconData.inc"
}

const QList<ToolBarButton>& toolBarButtons() {
    static const QList<ToolBarButton> buttons = {
        {CM_FINGER, 7, "Fi&nger", true},    {CM_WHOIS, 2, "&WhoIs", true},
        {CM_CANCEL, 6, "&Cancel", false},   {CM_CLEAR, 8, "Clear", false},
        {CM_ADDRBOOK, 5, "&AddBook", true}, {CM_DNS, 1, "&DNS", true},
    };
    return buttons;
}

QPixmap toolBarFace(const ToolBarButton& button) {
    QPixmap face(FaceWidth, FaceHeight);
    face.fill(Qt::transparent);
    QPainter painter(&face);
    QFont font = QApplication::font();
    font.setBold(true);
    const QString label = QString::fromLatin1(button.label).remove('&');
    // The largest bold lettering up to 11 pixels that fits the face.
    for (int pixels = 11; pixels > 6; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).horizontalAdvance(label) <= FaceWidth - 2)
            break;
    }
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(face.rect(), Qt::AlignCenter | Qt::TextShowMnemonic,
                     QString::fromLatin1(button.label));
    return face;
}

QIcon appIcon() {
    return QIcon(QPixmap(appIconXpm));
}

} // namespace res
