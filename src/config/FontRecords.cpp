// Font and colour records: written with printf formats, read back with the same partial-match rule.
#include "config/FontRecords.h"

#include "config/Bounds.h"
#include "platform/MessageBoxService.h"
#include "platform/ProfileStore.h"

#include <QStringList>

#include <algorithm>
#include <limits>

namespace {

// A cursor over the record that reads numbers as the C library's scanf does for "%Li," and "%u,".
class FieldReader {
public:
    explicit FieldReader(const QString& text) : m_text(text) {}

    // A decimal number with optional sign (leading blanks skipped). False when no digit follows. A number
    // beyond the range of long long reads as its nearest end, as strtoll gives it.
    bool number(long long& out) {
        qsizetype i = m_pos;
        while (i < m_text.size() && m_text[i].isSpace())
            ++i;
        bool negative = false;
        if (i < m_text.size() && (m_text[i] == u'-' || m_text[i] == u'+')) {
            negative = m_text[i] == u'-';
            ++i;
        }
        const qsizetype digitsStart = i;
        // The magnitude is kept at most that of the lowest long long, so neither the sum nor the sign overflow.
        constexpr unsigned long long lowest = 1ULL << 63;
        unsigned long long value = 0;
        while (i < m_text.size() && m_text[i] >= u'0' && m_text[i] <= u'9') {
            const unsigned digit = m_text[i].unicode() - u'0';
            value = value > (lowest - digit) / 10 ? lowest : value * 10 + digit;
            ++i;
        }
        if (i == digitsStart)
            return false;
        m_pos = i;
        if (negative)
            out = value == lowest ? std::numeric_limits<long long>::min() : -static_cast<long long>(value);
        else
            out = static_cast<long long>(std::min(value, lowest - 1));
        return true;
    }

    bool comma() {
        if (m_pos < m_text.size() && m_text[m_pos] == u',') {
            ++m_pos;
            return true;
        }
        return false;
    }

    QString rest() const { return m_text.mid(m_pos); }

private:
    const QString& m_text;
    qsizetype m_pos = 0;
};

} // namespace

namespace FontRecords {

QString cutFaceName(const QString& face) {
    QString cut = face.left(LogFont::FACE_NAME_MAX);
    // Half a surrogate pair is no character: the name ends before the pair instead.
    if (cut.size() < face.size() && cut.back().isHighSurrogate())
        cut.chop(1);
    return cut;
}

QString formatFont(const LogFont& f) {
    // Joined, not substituted: the face name is the user's text and may hold "%1".
    QStringList fields;
    for (const std::int32_t v : {f.lfHeight, f.lfWidth, f.lfEscapement, f.lfOrientation, f.lfWeight})
        fields << QString::number(v);
    for (const std::uint8_t v : {f.lfItalic, f.lfUnderline, f.lfStrikeOut, f.lfCharSet, f.lfOutPrecision,
                                 f.lfClipPrecision, f.lfQuality, f.lfPitchAndFamily})
        fields << QString::number(unsigned(v));
    fields << cutFaceName(f.lfFaceName);
    return fields.join(QLatin1Char(','));
}

void parseFont(const QString& text, LogFont& f) {
    FieldReader r(text);
    std::int32_t* signedFields[] = {&f.lfHeight, &f.lfWidth, &f.lfEscapement, &f.lfOrientation, &f.lfWeight};
    std::uint8_t* byteFields[] = {&f.lfItalic,       &f.lfUnderline,     &f.lfStrikeOut, &f.lfCharSet,
                                  &f.lfOutPrecision, &f.lfClipPrecision, &f.lfQuality,   &f.lfPitchAndFamily};
    long long v = 0;
    for (std::int32_t* field : signedFields) {
        if (!r.number(v))
            return;
        // The low 32 bits, as the record was always read; then within a 16-bit size, so that a hand-edited record
        // cannot overflow what the conversions compute from it (the absolute height of INT_MIN).
        *field =
            std::clamp(static_cast<std::int32_t>(v), -bounds::MAX_STORED_COORDINATE, bounds::MAX_STORED_COORDINATE);
        if (!r.comma())
            return;
    }
    for (std::uint8_t* field : byteFields) {
        if (!r.number(v))
            return;
        *field = static_cast<std::uint8_t>(v & 0xFF);
        if (!r.comma())
            return;
    }
    const QString face = r.rest();
    if (!face.isEmpty())
        f.lfFaceName = cutFaceName(face);
}

QString formatColours(const ConversationLook& l) {
    QStringList fields;
    for (const std::uint32_t colour : {l.localText, l.localBack, l.remoteText, l.remoteBack})
        fields << QString::number(static_cast<std::int32_t>(colour));
    return fields.join(QLatin1Char(','));
}

void parseColours(const QString& text, ConversationLook& l) {
    FieldReader r(text);
    std::uint32_t* fields[] = {&l.localText, &l.localBack, &l.remoteText, &l.remoteBack};
    long long v = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        if (!r.number(v))
            return;
        *fields[i] = static_cast<std::uint32_t>(v);
        if (i < 3 && !r.comma())
            return;
    }
}

} // namespace FontRecords

void ReadFontRecord(ProfileStore& store, const QString& name, LogFont& font, ConversationLook& look) {
    QString text = store.readString(FontRecords::SECTION, name);
    if (text.isEmpty())
        text = FontRecords::DEFAULT_FONT_TEXT;
    FontRecords::parseFont(text, font);

    const QString colours = store.readString(FontRecords::SECTION, FontRecords::COLORS);
    if (colours.isEmpty()) {
        look.localText = ConversationLook::DEFAULT_LOCAL_TEXT;
        look.localBack = ConversationLook::DEFAULT_LOCAL_BACK;
        look.remoteText = ConversationLook::DEFAULT_REMOTE_TEXT;
        look.remoteBack = ConversationLook::DEFAULT_REMOTE_BACK;
    } else {
        FontRecords::parseColours(colours, look);
    }
}

void WriteFontRecord(ProfileStore& store, const QString& name, const LogFont& font, const ConversationLook& look) {
    store.writeString(FontRecords::SECTION, name, FontRecords::formatFont(font));
    store.writeString(FontRecords::SECTION, FontRecords::COLORS, FontRecords::formatColours(look));
}

bool ChooseWindowFont(ConversationLook& look, bool localPane, QObject* owner) {
    LogFont& font = localPane ? look.localFont : look.remoteFont;
    std::uint32_t& colour = localPane ? look.localText : look.remoteText;
    LogFont chosenFont = font;
    quint32 chosenColour = colour;
    const bool ok = MessageBoxService::instance().chooseFont(chosenFont, chosenColour, owner);
    if (ok) {
        font = chosenFont;
        colour = chosenColour;
    }
    return ok;
}

bool ChooseWindowColour(std::uint32_t& colour, QObject* owner) {
    quint32 chosen = colour;
    const bool ok = MessageBoxService::instance().chooseColour(chosen, owner);
    if (ok)
        colour = chosen;
    return ok;
}
