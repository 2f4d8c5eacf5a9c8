// The dialog in which the user picks a file to read or write: one that need not exist yet, in a folder that does.
//
// Qt's own "any file" mode takes a name in a folder that is not there, and its "existing file" mode refuses a file
// that is not there yet. This one takes any name whose folder exists; for another it says so in a box of its own and
// stays open, as the "existing file" mode does for a missing file.
#pragma once

#include <QFileDialog>

class ChooseFileDialog : public QFileDialog {
    Q_OBJECT
public:
    ChooseFileDialog(QWidget* parent, const QString& title, const QString& nameFilter);

    // What the box says about `folder`.
    static QString missingFolderText(const QString& folder);

public slots:
    void accept() override;
};
