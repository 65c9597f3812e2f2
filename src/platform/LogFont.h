// SPDX-License-Identifier: MIT
#pragma once
// A logical font description with the fourteen fields of the classic LOGFONT record, and its
// mapping to and from QFont. The record is what the settings file stores; the QFont is what
// the window draws with. Face names this machine lacks ("Fixedsys", "MS Sans Serif") resolve
// through Qt's font substitution while the record keeps the stored name.

#include <QFont>
#include <QString>

#include <cstdint>

namespace platform {

struct LOGFONT {
    std::int32_t lfHeight = 0; // negative: character height in pixels
    std::int32_t lfWidth = 0;  // average character width
    std::int32_t lfEscapement = 0;
    std::int32_t lfOrientation = 0;
    std::int32_t lfWeight = 0; // 0 to 1000, 400 normal, 700 bold
    std::uint8_t lfItalic = 0;
    std::uint8_t lfUnderline = 0;
    std::uint8_t lfStrikeOut = 0;
    std::uint8_t lfCharSet = 0;
    std::uint8_t lfOutPrecision = 0;
    std::uint8_t lfClipPrecision = 0;
    std::uint8_t lfQuality = 0;
    std::uint8_t lfPitchAndFamily = 0;
    QString lfFaceName;

    bool operator==(const LOGFONT&) const = default;
};

inline constexpr std::uint8_t FIXED_PITCH = 1;
inline constexpr std::uint8_t FF_ROMAN = 0x10;
inline constexpr std::uint8_t FF_SWISS = 0x20;
inline constexpr std::uint8_t FF_MODERN = 0x30;
inline constexpr int LF_FACENAME_MAX = 39; // characters a stored face name keeps

// Maps the classic face names onto this system's fixed-pitch and interface fonts.
// Call once after the application object exists.
void installFontSubstitutes();

QFont fontFromLogFont(const LOGFONT& logFont);

// The record for a font the user picked. Height is stored as a negative pixel height.
LOGFONT logFontFromFont(const QFont& font);

} // namespace platform
