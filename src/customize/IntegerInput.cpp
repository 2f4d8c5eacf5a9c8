// Integer input checks.
#include "customize/IntegerInput.h"

#include <limits>

namespace IntegerInput {

namespace {
bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}
} // namespace

Verdict check(const QString& text, int min, int max, int* value) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    bool negative = false;
    if (begin < end && (text[begin] == u'-' || text[begin] == u'+')) {
        negative = text[begin] == u'-';
        ++begin;
    }
    if (begin == end)
        return Verdict::NotAnInteger;
    qint64 n = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const QChar c = text[i];
        if (c < u'0' || c > u'9')
            return Verdict::NotAnInteger;
        n = n * 10 + (c.unicode() - u'0');
        // Anything beyond a 32-bit int is not an integer the field can hold.
        if (n > qint64(std::numeric_limits<int>::max()) + 1)
            return Verdict::NotAnInteger;
    }
    if (negative)
        n = -n;
    if (n > std::numeric_limits<int>::max() || n < std::numeric_limits<int>::min())
        return Verdict::NotAnInteger;
    if (value)
        *value = int(n);
    if (n < min || n > max)
        return Verdict::OutOfRange;
    return Verdict::Ok;
}

QString notAnIntegerText() {
    return QStringLiteral("Please enter an integer.");
}

QString outOfRangeText(int min, int max) {
    return QStringLiteral("Please enter an integer between %1 and %2.").arg(QString::number(min), QString::number(max));
}

QString messageFor(Verdict verdict, int min, int max) {
    return verdict == Verdict::OutOfRange ? outOfRangeText(min, max) : notAnIntegerText();
}

} // namespace IntegerInput
