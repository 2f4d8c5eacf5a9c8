// Checks the display blocks of a ReceivedTextView (header only: the tests that use it link the windows).
#pragma once

#include "config/Bounds.h"
#include "platform/gui/ReceivedTextView.h"

#include <QTest>
#include <QTextBlock>

// Every block holds at most bounds::DISPLAY_LINE_LIMIT units, and a display break follows no less than half of
// that (the first block excepted, which a trim may have cut): no line is cut that needs no cut.
inline bool displayBlocksBounded(const ReceivedTextView& view) {
    const QTextBlock first = view.document()->firstBlock();
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        if (b.length() - 1 > bounds::DISPLAY_LINE_LIMIT)
            return false;
        if (ReceivedTextView::continuesLine(b) && b.previous() != first &&
            b.previous().length() - 1 < bounds::DISPLAY_LINE_LIMIT / 2)
            return false;
    }
    return true;
}
