// SPDX-License-Identifier: MIT
#include "FrameSettings.h"

#include "dialogs/StoredList.h"
#include "platform/ProfileFile.h"
#include "platform/Utf8Text.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace app {

namespace {

const QString windowSize = QStringLiteral("Window Size");
const QString options = QStringLiteral("Options");
const QString fontSection = QStringLiteral("Font");
// Room for the longest face name in any script: 39 characters of up to 4 bytes.
constexpr int faceNameBuffer = 4 * platform::LF_FACENAME_MAX + 1;

std::uint8_t lowByte(int value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}

} // namespace

platform::LOGFONT FrameSettings::defaultFont() {
    platform::LOGFONT lf;
    lf.lfHeight = -12;
    lf.lfWidth = 8;
    lf.lfWeight = 400;
    lf.lfFaceName = QStringLiteral("Fixedsys");
    return lf;
}

QRect FrameSettings::availableArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableVirtualGeometry() : QRect(0, 0, 1024, 768);
}

QRect FrameSettings::clampedPlacement(qint64 x, qint64 y, qint64 w, qint64 h,
                                      const QRect& available) {
    // In 64 bits, so that no sum overflows whatever the file says.
    w = std::clamp<qint64>(w, 1, std::max(1, available.width()));
    h = std::clamp<qint64>(h, 1, std::max(1, available.height()));
    x = std::clamp<qint64>(x, available.left(), available.left() + available.width() - w);
    y = std::clamp<qint64>(y, available.top(), available.top() + available.height() - h);
    return QRect(int(x), int(y), int(w), int(h));
}

FrameSettings FrameSettings::read(const QString& path, const QRect& available) {
    const platform::ProfileFile file(path);
    FrameSettings s;
    s.placement = clampedPlacement(
        file.readInt(windowSize, "x", 40), file.readInt(windowSize, "y", 60),
        file.readInt(windowSize, "w", 560), file.readInt(windowSize, "h", 360), available);
    s.reopenMaximized = file.readInt(windowSize, "Reopen", 0) != 0;
    s.keepHistory = file.readInt(options, "keep_history", 1) != 0;

    platform::LOGFONT& lf = s.font;
    lf.lfHeight = file.readInt(fontSection, "height", -12);
    lf.lfWidth = file.readInt(fontSection, "width", 8);
    lf.lfEscapement = file.readInt(fontSection, "escapement", 0);
    lf.lfOrientation = file.readInt(fontSection, "orientation", 0);
    lf.lfWeight = file.readInt(fontSection, "weight", 400);
    lf.lfItalic = lowByte(file.readInt(fontSection, "italic", 0));
    lf.lfUnderline = lowByte(file.readInt(fontSection, "underline", 0));
    lf.lfStrikeOut = lowByte(file.readInt(fontSection, "strikeout", 0));
    lf.lfCharSet = lowByte(file.readInt(fontSection, "charset", 0));
    lf.lfOutPrecision = lowByte(file.readInt(fontSection, "outprecision", 0));
    lf.lfClipPrecision = lowByte(file.readInt(fontSection, "clipprecision", 0));
    lf.lfQuality = lowByte(file.readInt(fontSection, "quality", 0));
    lf.lfPitchAndFamily = lowByte(file.readInt(fontSection, "pitchandfamily", 0));
    // The same limit as when writing: characters, never half of one.
    lf.lfFaceName = platform::utf8::cutCharacters(
        file.readString(fontSection, "facename", "Fixedsys", faceNameBuffer),
        platform::LF_FACENAME_MAX);
    return s;
}

bool FrameSettings::write(const QString& path, int* droppedHistory) const {
    platform::ProfileFile file(path);
    if (!reopenMaximized) {
        file.writeInt(windowSize, "x", placement.x());
        file.writeInt(windowSize, "y", placement.y());
        file.writeInt(windowSize, "w", placement.width());
        file.writeInt(windowSize, "h", placement.height());
    }
    file.writeInt(windowSize, "Reopen", reopenMaximized ? 1 : 0);

    const platform::LOGFONT& lf = font;
    file.writeInt(fontSection, "height", lf.lfHeight);
    file.writeInt(fontSection, "width", lf.lfWidth);
    file.writeInt(fontSection, "escapement", lf.lfEscapement);
    file.writeInt(fontSection, "orientation", lf.lfOrientation);
    file.writeInt(fontSection, "weight", lf.lfWeight);
    file.writeInt(fontSection, "italic", lf.lfItalic);
    file.writeInt(fontSection, "underline", lf.lfUnderline);
    file.writeInt(fontSection, "strikeout", lf.lfStrikeOut);
    file.writeInt(fontSection, "charset", lf.lfCharSet);
    file.writeInt(fontSection, "outprecision", lf.lfOutPrecision);
    file.writeInt(fontSection, "clipprecision", lf.lfClipPrecision);
    file.writeInt(fontSection, "quality", lf.lfQuality);
    file.writeInt(fontSection, "pitchandfamily", lf.lfPitchAndFamily);
    file.writeString(fontSection, "facename",
                     platform::utf8::cutCharacters(lf.lfFaceName, platform::LF_FACENAME_MAX));

    file.writeInt(options, "keep_history", keepHistory ? 1 : 0);
    return dialogs::saveSettings(file, droppedHistory); // on failure the file stays as it was
}

} // namespace app
