// SPDX-License-Identifier: MIT
#include "PngPicture.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>

namespace app {

namespace {

// The largest picture drawn, in pixels a side: a chain of many zones and keys stays a
// picture of some megabytes, never one that exhausts memory.
constexpr int MaxSide = 16000;

} // namespace

QString writePng(const QByteArray& svg, const QString& path, double scale) {
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return QStringLiteral("the picture could not be drawn");
    const QSize size = (QSizeF(renderer.defaultSize()) * scale).toSize();
    if (size.isEmpty() || size.width() > MaxSide || size.height() > MaxSide)
        return QStringLiteral("the picture is too large to draw (%1 x %2)")
            .arg(size.width())
            .arg(size.height());
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit())
        return file.errorString();
    return {};
}

terminal::PictureSupport pngPictureSupport() {
    terminal::PictureSupport support;
    support.application = [](int& argc, char** argv) -> std::unique_ptr<QCoreApplication> {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QGuiApplication>(argc, argv);
    };
    support.png = [](const QByteArray& svg, const QString& path) { return writePng(svg, path); };
    return support;
}

} // namespace app
