// Return or Enter in an editable combo box presses a dialog's button.
//
// An editable combo box completes inline from its own list, and its line edit keeps the Return that accepts a
// completion: whenever the text came from the list (a preselected entry, a picked one, a typed prefix of one),
// the dialog's default button would never see the key. This filter on the line edit presses the button instead.
#pragma once

#include <QObject>
#include <QPointer>

class QComboBox;
class QPushButton;

class ReturnPressesButton final : public QObject {
public:
    static void install(QComboBox* box, QPushButton* button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ReturnPressesButton(QPushButton* button, QObject* parent);

    QPointer<QPushButton> m_button;
};
