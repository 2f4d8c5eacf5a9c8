// A font description with the fourteen fields of the Windows LOGFONT.
//
// A font description with the fourteen fields of the Windows LOGFONT, so that stored font records
// keep their meaning on every system.
#pragma once

#include <QString>

#include <cstdint>

struct LogFont {
    std::int32_t lfHeight = -16; // negative: character height in pixels
    std::int32_t lfWidth = 0;
    std::int32_t lfEscapement = 0;
    std::int32_t lfOrientation = 0;
    std::int32_t lfWeight = 400; // 400 normal, 700 bold
    std::uint8_t lfItalic = 0;
    std::uint8_t lfUnderline = 0;
    std::uint8_t lfStrikeOut = 0;
    std::uint8_t lfCharSet = 204;
    std::uint8_t lfOutPrecision = 1;
    std::uint8_t lfClipPrecision = 2;
    std::uint8_t lfQuality = 1;
    std::uint8_t lfPitchAndFamily = 34;
    QString lfFaceName = QStringLiteral("MS Sans Serif"); // at most 31 characters

    static constexpr int FACE_NAME_MAX = 31;

    bool operator==(const LogFont&) const = default;
};
