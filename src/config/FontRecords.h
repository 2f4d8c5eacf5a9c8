// The conversation fonts and colours (ConversationLook) and their records in the profile store.
//
// The conversation fonts and colours, and their text records in the "Windows" section:
// "Local font" / "Remote font" = "%Li,%Li,%Li,%Li,%Li,%u,%u,%u,%u,%u,%u,%u,%u,%s" in LOGFONT order,
// "Colors" = "%Li,%Li,%Li,%Li" (local text, local background, remote text, remote background, 0x00BBGGRR).
#pragma once

#include "config/LogFont.h"

#include <QObject>
#include <QString>

#include <cstdint>

class ProfileStore;

struct ConversationLook {
    static constexpr std::uint32_t DEFAULT_LOCAL_TEXT = 0x00FF00; // green
    static constexpr std::uint32_t DEFAULT_LOCAL_BACK = 0x000000;
    static constexpr std::uint32_t DEFAULT_REMOTE_TEXT = 0x00FFFF; // yellow
    static constexpr std::uint32_t DEFAULT_REMOTE_BACK = 0x000000;

    LogFont localFont;
    LogFont remoteFont;
    std::uint32_t localText = DEFAULT_LOCAL_TEXT;
    std::uint32_t localBack = DEFAULT_LOCAL_BACK;
    std::uint32_t remoteText = DEFAULT_REMOTE_TEXT;
    std::uint32_t remoteBack = DEFAULT_REMOTE_BACK;

    bool operator==(const ConversationLook&) const = default;
};

namespace FontRecords {

inline const QString SECTION = QStringLiteral("Windows");
inline const QString LOCAL_FONT = QStringLiteral("Local font");
inline const QString REMOTE_FONT = QStringLiteral("Remote font");
inline const QString COLORS = QStringLiteral("Colors");
inline const QString DEFAULT_FONT_TEXT = QStringLiteral("-16,0,0,0,400,0,0,0,204,1,2,1,34,MS Sans Serif");

// A face name cut to its 31 UTF-16 units, never between the halves of a surrogate pair.
QString cutFaceName(const QString& face);

// Text forms. Parsing stops at the first field that does not match; later fields keep their values. The five
// signed fields read as their low 32 bits, kept within +-bounds::MAX_STORED_COORDINATE.
QString formatFont(const LogFont& font);
void parseFont(const QString& text, LogFont& font);
QString formatColours(const ConversationLook& look);
void parseColours(const QString& text, ConversationLook& look);

// COLORREF (0x00BBGGRR) helpers.
inline std::uint32_t rgb(int r, int g, int b) {
    return std::uint32_t(r & 0xFF) | (std::uint32_t(g & 0xFF) << 8) | (std::uint32_t(b & 0xFF) << 16);
}
inline int red(std::uint32_t c) {
    return int(c & 0xFF);
}
inline int green(std::uint32_t c) {
    return int((c >> 8) & 0xFF);
}
inline int blue(std::uint32_t c) {
    return int((c >> 16) & 0xFF);
}

} // namespace FontRecords

// Reads the named font record into `font`, then the colour record into the look's four colours.
void ReadFontRecord(ProfileStore& store, const QString& name, LogFont& font, ConversationLook& look);
// Writes the named font record from `font`, then the colour record from the look's four colours.
void WriteFontRecord(ProfileStore& store, const QString& name, const LogFont& font, const ConversationLook& look);

// The font chooser for one pane: starts from that pane's font and text colour; the chosen colour is
// stored back into the pane's text colour (unchanged when cancelled); on OK the font is updated too.
bool ChooseWindowFont(ConversationLook& look, bool localPane, QObject* owner = nullptr);
// The colour chooser: the chosen colour is stored back (unchanged when cancelled).
bool ChooseWindowColour(std::uint32_t& colour, QObject* owner = nullptr);
