#include "FrameSettings.h"

#include "platform/ProfileFile.h"

namespace app {

namespace {

const QString windowSize = QStringLiteral("Window Size");
const QString options = QStringLiteral("Options");
const QString fontSection = QStringLiteral("Font");
constexpr int faceNameBuffer = platform::LF_FACENAME_MAX + 1;

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

FrameSettings FrameSettings::read(const QString& path) {
    const platform::ProfileFile file(path);
    FrameSettings s;
    s.placement = QRect(file.readInt(windowSize, "x", 40), file.readInt(windowSize, "y", 60),
                        file.readInt(windowSize, "w", 560), file.readInt(windowSize, "h", 360));
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
    lf.lfFaceName = file.readString(fontSection, "facename", "Fixedsys", faceNameBuffer);
    return s;
}

void FrameSettings::write(const QString& path) const {
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
    file.writeString(fontSection, "facename", lf.lfFaceName.left(platform::LF_FACENAME_MAX));

    file.writeInt(options, "keep_history", keepHistory ? 1 : 0);
    file.save(); // a settings file that cannot be written is left as it was
}

} // namespace app
