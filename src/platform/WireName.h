// A login name as a control message carries it: the bytes as they travel, and the text they show as.
//
// A name from the network keeps the bytes it came with, so that what goes back to its sender (a LOOK_UP for
// the caller's invitation, a call to a located user) is exactly what the sender's daemon knows it by,
// whatever the text decoding made of them. A name the user typed travels as UTF-8.
#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>

#include <string>

struct WireName {
    QByteArray bytes;
    QString text;

    // Bytes from the network: the text is UTF-8 when they are valid UTF-8, else one Latin-1 character per byte.
    // The same bytes always give the same text.
    static WireName received(const QByteArray& bytes);
    static WireName received(const std::string& bytes);
    // A name typed by the user, or kept by this program as text: sent as UTF-8. The control message cuts it to
    // its field on a character boundary.
    static WireName typed(const QString& text);

    std::string wire() const { return bytes.toStdString(); }
    bool isEmpty() const { return bytes.isEmpty(); }

    bool operator==(const WireName&) const = default;
};

Q_DECLARE_METATYPE(WireName)
