// Caret form of control characters.
#include "conversation/ShownText.h"

QString ShownText::caretForm(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 32) {
            out.append(QLatin1Char('^'));
            out.append(QChar(char16_t(u + 64)));
        } else if (u == 127) {
            out.append(QLatin1String("^?"));
        } else {
            out.append(c);
        }
    }
    return out;
}
