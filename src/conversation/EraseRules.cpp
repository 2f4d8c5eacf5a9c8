// The kill-line and word-erase rule.
#include "conversation/EraseRules.h"

bool EraseRules::isLineBreak(QChar c) {
    return c == QLatin1Char('\n') || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

bool EraseRules::isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

qsizetype EraseRules::lineStart(QStringView text) {
    qsizetype i = text.size();
    while (i > 0 && !isLineBreak(text[i - 1]))
        --i;
    return i;
}

qsizetype EraseRules::wordStart(QStringView text) {
    qsizetype i = text.size();
    while (i > 0 && isBlank(text[i - 1]))
        --i;
    while (i > 0 && !isBlank(text[i - 1]) && !isLineBreak(text[i - 1]))
        --i;
    return i;
}

qsizetype EraseRules::keptLength(QStringView text, char editChar) {
    if (editChar == KILL_LINE)
        return lineStart(text);
    if (editChar == WORD_ERASE)
        return wordStart(text);
    return text.size();
}
