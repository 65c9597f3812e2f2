// SPDX-License-Identifier: MIT
#include "LogFont.h"
#include "Utf8Text.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

constexpr int pitchMask = 0x03;
constexpr int familyMask = 0xF0;

QFont::StyleHint styleHintFor(std::uint8_t pitchAndFamily) {
    switch (pitchAndFamily & familyMask) {
    case FF_ROMAN: return QFont::Serif;
    case FF_SWISS: return QFont::SansSerif;
    case FF_MODERN: return QFont::TypeWriter;
    default: return QFont::AnyStyle;
    }
}

double logicalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}

} // namespace

void installFontSubstitutes() {
    const QString fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    const QString general = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    QFont::insertSubstitutions("Fixedsys", {fixed, "DejaVu Sans Mono", "monospace"});
    QFont::insertSubstitutions("Courier", {fixed, "DejaVu Sans Mono", "monospace"});
    QFont::insertSubstitutions("MS Sans Serif", {general, "DejaVu Sans", "sans-serif"});
}

QFont fontFromLogFont(const LOGFONT& logFont) {
    QFont font(logFont.lfFaceName);
    QFont::StyleHint hint = styleHintFor(logFont.lfPitchAndFamily);
    // Fixedsys is the classic fixed-pitch system font whatever its family bits say.
    const bool fixed = (logFont.lfPitchAndFamily & pitchMask) == FIXED_PITCH ||
                       logFont.lfFaceName.compare("Fixedsys", Qt::CaseInsensitive) == 0;
    if (fixed) {
        hint = QFont::TypeWriter;
        font.setFixedPitch(true);
    }
    font.setStyleHint(hint);
    if (logFont.lfHeight != 0)
        font.setPixelSize(std::max(1, std::abs(logFont.lfHeight)));
    if (logFont.lfWeight > 0)
        font.setWeight(static_cast<QFont::Weight>(std::clamp(logFont.lfWeight, 1, 1000)));
    font.setItalic(logFont.lfItalic != 0);
    font.setUnderline(logFont.lfUnderline != 0);
    font.setStrikeOut(logFont.lfStrikeOut != 0);
    return font;
}

LOGFONT logFontFromFont(const QFont& font) {
    LOGFONT lf;
    int pixels = font.pixelSize();
    if (pixels <= 0)
        pixels = static_cast<int>(std::lround(font.pointSizeF() * logicalDpi() / 72.0));
    lf.lfHeight = -pixels;
    lf.lfWeight = font.weight();
    lf.lfItalic = font.italic() ? 1 : 0;
    lf.lfUnderline = font.underline() ? 1 : 0;
    lf.lfStrikeOut = font.strikeOut() ? 1 : 0;
    if (QFontInfo(font).fixedPitch())
        lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lf.lfFaceName = utf8::cutCharacters(font.family(), LF_FACENAME_MAX);
    return lf;
}

} // namespace platform
