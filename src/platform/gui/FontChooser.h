// The font chooser: the platform's font dialog, embedded, plus the text colour of the same pane.
#pragma once

#include "config/LogFont.h"

#include <QDialog>

class QFontDialog;
class QPushButton;

class FontChooser : public QDialog {
    Q_OBJECT
public:
    FontChooser(const LogFont& font, quint32 textColour, QWidget* parent = nullptr);

    LogFont chosenFont() const;
    quint32 chosenColour() const { return m_colour; }

private:
    void chooseColour();
    void showColour();

    QFontDialog* m_fonts;
    QPushButton* m_colourButton;
    LogFont m_base;
    quint32 m_colour;
};
