// Writes the program's icon as PNG files for the icon theme: vintrel_icons DIR writes
// DIR/NxN/apps/vintrel.png for each size the desktop asks for. The 32-pixel picture is drawn for
// its grid; larger sizes scale it by whole pixels, the 16-pixel one smoothly.

#include "AppIconData.inc"

#include <QDir>
#include <QImage>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vintrel_icons DIR\n");
        return 2;
    }
    const QImage icon(appIconXpm);
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QString folder =
            QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        QDir().mkpath(folder);
        const Qt::TransformationMode mode =
            size % 32 == 0 ? Qt::FastTransformation : Qt::SmoothTransformation;
        const QImage scaled = icon.scaled(size, size, Qt::IgnoreAspectRatio, mode);
        if (!scaled.save(folder + QStringLiteral("/vintrel.png"))) {
            std::fprintf(stderr, "vintrel_icons: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
