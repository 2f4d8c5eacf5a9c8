// The About box: "Murmelo", the program's icon, a credit line and the version line.
#pragma once

#include <QDialog>

class CAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit CAboutBox(QWidget* parent = nullptr);
    static constexpr const char* VERSION_LINE = "Version 1.41  (Release date 12/20/96)";
};
