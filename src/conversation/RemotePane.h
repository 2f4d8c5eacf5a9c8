// The upper pane of a conversation window: what the remote user types. It can be scrolled, selected and
// copied from, never typed, pasted or cut into; received text is applied as edits at its end.
#pragma once

#include "conversation/RemoteEdit.h"

#include <QPlainTextEdit>

class RemotePane : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit RemotePane(QWidget* parent = nullptr);

    void apply(const RemoteEdits& edits);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
