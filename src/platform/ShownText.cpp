// Caret form of control characters.
#include "platform/ShownText.h"

QString ShownText::caretForm(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x80 && u < 0xA0) {
            // The 8-bit controls (CSI is one) as cat -v writes them: "M-" and the caret form of the low seven bits.
            out.append(QLatin1String("M-^"));
            out.append(QChar(char16_t((u - 0x80) ^ 0x40)));
        } else if (u < 0x20 || u == 0x7F) {
            out.append(QLatin1Char('^'));
            out.append(QChar(char16_t(u ^ 0x40)));
        } else {
            out.append(c);
        }
    }
    return out;
}

QString ShownText::menuText(const QString& text) {
    QString out = caretForm(text);
    out.replace(QLatin1Char('&'), QLatin1String("&&"));
    return out;
}
