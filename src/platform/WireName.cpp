// Names between the wire and the screen.
#include "platform/WireName.h"

#include <QStringDecoder>

WireName WireName::received(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    return {bytes, text};
}

WireName WireName::received(const std::string& bytes) {
    return received(QByteArray::fromStdString(bytes));
}

WireName WireName::typed(const QString& text) {
    return {text.toUtf8(), text};
}
