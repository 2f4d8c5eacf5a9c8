// The stored form of one robot message.
#include "robot/MessageFile.h"

#include "config/Bounds.h"
#include "robot/StoreRobotMessage.h"

#include <QStringDecoder>

#include <array>
#include <limits>

namespace {

const QByteArray MAGIC = QByteArrayLiteral("Murmelo robot message ");
const QByteArray TRAILER = QByteArrayLiteral("\nend\n");
// The longest escape ("\uXXXX") a code unit can take: the largest text must still fit a file.
constexpr qsizetype LONGEST_ESCAPE = 6;
constexpr qsizetype HEADER_ROOM = 4 * bounds::MAX_STORED_NAME_LENGTH * LONGEST_ESCAPE + 256;
static_assert(bounds::ROBOT_TEXT_LIMIT * LONGEST_ESCAPE + 64 * LONGEST_ESCAPE + HEADER_ROOM <=
                  bounds::MAX_STORED_MESSAGE_BYTES,
              "the largest robot message must fit a stored message file");

bool mustEscape(const QString& text, qsizetype i, bool keepLineBreaks) {
    const QChar c = text.at(i);
    const char16_t u = c.unicode();
    if (u == u'\\')
        return true;
    if (keepLineBreaks && (u == u'\r' || u == u'\n' || u == u'\t'))
        return false;
    if (u < 0x20 || (u >= 0x7f && u <= 0x9f))
        return true;
    if (c.isHighSurrogate())
        return !(i + 1 < text.size() && text.at(i + 1).isLowSurrogate());
    if (c.isLowSurrogate())
        return !(i > 0 && text.at(i - 1).isHighSurrogate());
    return false;
}

// The text an escaped field stands for; nothing when an escape is broken.
std::optional<QString> unescape(const QString& field) {
    QString out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) != u'\\') {
            out.append(field.at(i));
            continue;
        }
        if (i + 1 < field.size() && field.at(i + 1) == u'\\') {
            out.append(u'\\');
            ++i;
            continue;
        }
        if (i + LONGEST_ESCAPE > field.size() || field.at(i + 1) != u'u')
            return std::nullopt;
        char16_t unit = 0;
        for (qsizetype k = i + 2; k < i + LONGEST_ESCAPE; ++k) {
            const char16_t h = field.at(k).unicode();
            const int digit = h >= u'0' && h <= u'9' ? h - u'0' : h >= u'A' && h <= u'F' ? h - u'A' + 10 : -1;
            if (digit < 0)
                return std::nullopt;
            unit = char16_t(unit * 16 + digit);
        }
        out.append(QChar(unit));
        i += LONGEST_ESCAPE - 1;
    }
    return out;
}

// A field's bytes as text: valid UTF-8 in exactly the escaped form this program writes (no escape of what needs
// none, no raw character that needs one), so that what is read writes back as the same bytes.
std::optional<QString> readField(const QByteArray& bytes, bool keepLineBreaks) {
    // An initial byte order mark is text like any other here.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    const QString decoded = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    std::optional<QString> text = unescape(decoded);
    if (!text || MessageFile::escape(*text, keepLineBreaks).toUtf8() != bytes)
        return std::nullopt;
    return text;
}

// A decimal number without sign or leading zero, at most `highest`.
std::optional<quint64> readNumber(QByteArrayView digits, quint64 highest) {
    if (digits.isEmpty() || digits.size() > 20 || (digits.size() > 1 && digits.front() == '0'))
        return std::nullopt;
    quint64 value = 0;
    for (const char d : digits) {
        if (d < '0' || d > '9')
            return std::nullopt;
        const quint64 digit = quint64(d - '0');
        if (value > (std::numeric_limits<quint64>::max() - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    if (value > highest)
        return std::nullopt;
    return value;
}

// A name's bytes in lower-case hex, two digits a byte; nothing for any other form or a name too long.
std::optional<QByteArray> readHex(QByteArrayView hex) {
    if (hex.size() % 2 != 0 || hex.size() / 2 > bounds::MAX_STORED_NAME_LENGTH)
        return std::nullopt;
    for (const char c : hex)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return std::nullopt;
    return QByteArray::fromHex(hex.toByteArray());
}

// Reads the file line by line; every header line starts with its key.
class Reader {
public:
    explicit Reader(const QByteArray& bytes) : m_bytes(bytes) {}

    // The rest of the next line after "key ", or nothing when the line is missing or has another key.
    std::optional<QByteArrayView> line(QByteArrayView key) {
        const qsizetype end = m_bytes.indexOf('\n', m_pos);
        if (end < 0)
            return std::nullopt;
        const QByteArrayView line = QByteArrayView(m_bytes).sliced(m_pos, end - m_pos);
        m_pos = end + 1;
        if (!line.startsWith(key) || line.size() <= key.size() || line.at(key.size()) != ' ')
            return std::nullopt;
        return line.sliced(key.size() + 1);
    }
    // Whether the next line has this key (it is not taken).
    bool nextHas(QByteArrayView key) const {
        const QByteArrayView rest = QByteArrayView(m_bytes).sliced(m_pos);
        return rest.size() > key.size() && rest.startsWith(key) && rest.at(key.size()) == ' ';
    }
    std::optional<QByteArray> take(qsizetype count) {
        if (count > m_bytes.size() - m_pos)
            return std::nullopt;
        const QByteArray taken = m_bytes.sliced(m_pos, count);
        m_pos += count;
        return taken;
    }
    bool endsWith(const QByteArray& rest) const {
        return m_bytes.size() - m_pos == rest.size() && m_bytes.endsWith(rest);
    }

private:
    const QByteArray& m_bytes;
    qsizetype m_pos = 0;
};

} // namespace

namespace MessageFile {

QString escape(const QString& text, bool keepLineBreaks) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (u == u'\\')
            out.append(QStringLiteral("\\\\"));
        else if (mustEscape(text, i, keepLineBreaks))
            out.append(QStringLiteral("\\u") + QString::number(u, 16).toUpper().rightJustified(4, u'0'));
        else
            out.append(text.at(i));
    }
    return out;
}

QByteArray encode(const RobotMessage& m) {
    const SystemTime& t = m.receiptTime;
    const QByteArray text = escape(m.text, true).toUtf8();
    QByteArray out = MAGIC + QByteArray::number(VERSION) + '\n';
    out += "id " + QByteArray::number(m.id) + '\n';
    out += "received";
    for (const std::uint16_t field : {t.year, t.month, t.dayOfWeek, t.day, t.hour, t.minute, t.second, t.milliseconds})
        out += ' ' + QByteArray::number(field);
    out += '\n';
    out += "host " + escape(m.host, false).toUtf8() + '\n';
    out += "user " + escape(m.user.text, false).toUtf8() + '\n';
    if (m.user.bytes != m.user.text.toUtf8())
        out += "wire " + m.user.bytes.toHex() + '\n';
    out += "text " + QByteArray::number(text.size()) + '\n';
    return out + text + TRAILER;
}

std::optional<RobotMessage> decode(const QByteArray& bytes) {
    if (bytes.size() > bounds::MAX_STORED_MESSAGE_BYTES)
        return std::nullopt;
    Reader reader(bytes);
    const auto version = reader.line(MAGIC.chopped(1));
    if (!version || readNumber(*version, VERSION) != quint64(VERSION))
        return std::nullopt;

    RobotMessage m;
    const auto id = reader.line("id");
    const auto idValue = id ? readNumber(*id, bounds::MAX_MESSAGE_ID) : std::nullopt;
    if (!idValue || *idValue == 0)
        return std::nullopt;
    m.id = *idValue;

    const auto received = reader.line("received");
    if (!received)
        return std::nullopt;
    const QList<QByteArray> fields = received->toByteArray().split(' ');
    std::array<std::uint16_t*, 8> targets = {
        &m.receiptTime.year, &m.receiptTime.month,  &m.receiptTime.dayOfWeek, &m.receiptTime.day,
        &m.receiptTime.hour, &m.receiptTime.minute, &m.receiptTime.second,    &m.receiptTime.milliseconds};
    if (fields.size() != qsizetype(targets.size()))
        return std::nullopt;
    // Any 16-bit value reads back as it was written: a message is kept whatever its clock said.
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const auto value = readNumber(fields.at(qsizetype(i)), std::numeric_limits<std::uint16_t>::max());
        if (!value)
            return std::nullopt;
        *targets[i] = std::uint16_t(*value);
    }

    for (auto [key, target] : {std::pair{"host", &m.host}, std::pair{"user", &m.user.text}}) {
        const auto field = reader.line(key);
        const auto name = field ? readField(field->toByteArray(), false) : std::nullopt;
        if (!name || name->size() > bounds::MAX_STORED_NAME_LENGTH)
            return std::nullopt;
        *target = *name;
    }
    m.user.bytes = m.user.text.toUtf8();
    if (reader.nextHas("wire")) {
        // Written only when the bytes are not the name's UTF-8.
        const auto wire = readHex(*reader.line("wire"));
        if (!wire || *wire == m.user.bytes)
            return std::nullopt;
        m.user.bytes = *wire;
    }

    const auto size = reader.line("text");
    const auto textSize = size ? readNumber(*size, quint64(bounds::MAX_STORED_MESSAGE_BYTES)) : std::nullopt;
    const auto textBytes = textSize ? reader.take(qsizetype(*textSize)) : std::nullopt;
    if (!textBytes || !reader.endsWith(TRAILER))
        return std::nullopt;
    const auto text = readField(*textBytes, true);
    if (!text || text->size() > bounds::ROBOT_TEXT_LIMIT + ROBOT_TEXT_CUT_MARK.size())
        return std::nullopt;
    m.text = *text;
    return m;
}

} // namespace MessageFile
