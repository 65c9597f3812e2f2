// SPDX-License-Identifier: MIT
// Writes the program's icon as PNG files for the icon theme: vintrel_icons SVG DIR renders SVG
// to DIR/NxN/apps/vintrel.png for each size the desktop asks for, every size drawn from the
// vectors rather than scaled from a smaller picture.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vintrel_icons SVG DIR\n");
        return 2;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "vintrel_icons: cannot read %s\n", argv[1]);
        return 1;
    }
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QString folder =
            QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        QDir().mkpath(folder);
        QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
        icon.fill(Qt::transparent);
        QPainter painter(&icon);
        svg.render(&painter);
        painter.end();
        if (!icon.save(folder + QStringLiteral("/vintrel.png"))) {
            std::fprintf(stderr, "vintrel_icons: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
