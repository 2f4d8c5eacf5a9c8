// Reading a daemon's reply to a locate probe.
#include "locate/ReplyInterpretation.h"

#include "locate/LocateRow.h"
#include "locate/LocateTexts.h"
#include "platform/ShownText.h"
#include "protocol/ControlMessage.h"

ReplyInterpretation ReplyInterpretation::interpret(const std::uint8_t* data, std::size_t length, bool urgent) {
    const talk::ControlMessage reply = talk::ControlMessage::decode(data, length);
    ReplyInterpretation r;
    r.state = reply.answer;
    // The located user is taken only from a reply that carries the probe-reply marker.
    const WireName user = WireName::received(reply.localName());
    if (reply.isProbeReply())
        r.locatedUser = user;
    // In the texts the name is shown, not interpreted.
    const QString shown = ShownText::caretForm(user.text);
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
