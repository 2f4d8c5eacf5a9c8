// Reading a daemon's reply to a locate probe.
#include "locate/ReplyInterpretation.h"

#include "locate/LocateRow.h"
#include "locate/LocateTexts.h"
#include "platform/ShownText.h"
#include "protocol/ControlMessage.h"

#include <QStringDecoder>

ReplyInterpretation ReplyInterpretation::interpret(const std::uint8_t* data, std::size_t length, bool urgent) {
    const talk::ControlMessage reply = talk::ControlMessage::decode(data, length);
    ReplyInterpretation r;
    r.state = reply.answer;
    // The located user is taken only from a reply that carries the probe-reply marker.
    const QString user = nameFromWire(reply.localName());
    if (reply.isProbeReply())
        r.locatedUser = user;
    // In the texts the name is shown, not interpreted.
    const QString shown = ShownText::caretForm(user);
    switch (reply.answer) {
    case talk::SUCCESS:
    case talk::NOT_HERE:
        r.status = LocateTexts::UNIX_DAEMON;
        r.state = LocateRow::UNIX_DAEMON;
        break;
    case talk::REFUSED_UNLESS_URGENT:
        r.status = LocateTexts::REFUSED_UNLESS_URGENT;
        if (urgent)
            r.call = Call::AtOnce;
        break;
    case talk::REFUSED_EVEN_URGENT:
        r.status = LocateTexts::REFUSED_EVEN_URGENT;
        break;
    case talk::USER_PRESENT:
        r.status = LocateTexts::USER_PRESENT.arg(shown);
        r.call = Call::AtOnce;
        break;
    case talk::ROBOT_PRESENT:
        r.status = LocateTexts::ROBOT_PRESENT.arg(shown);
        r.call = Call::Candidate;
        break;
    default:
        break;
    }
    return r;
}

QString ReplyInterpretation::nameFromWire(const std::string& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(QByteArray::fromStdString(bytes));
    if (utf8.hasError())
        text = QString::fromLatin1(QByteArray::fromStdString(bytes));
    return text;
}
