// The Talk robot page of the Customize sheet: the robot's start state, greeting, delay and message file.
//
// The Talk robot page: the robot's state at start-up, its greeting text, the delay after which it takes
// an unanswered call, and copying its messages to the message container file.
#pragma once

#include "customize/CustomizePage.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class CPPtr : public CustomizePage {
    Q_OBJECT
public:
    static constexpr int INDEX = 4;

    CPPtr(Settings& settings, ProfileStore& store, QWidget* parent = nullptr);

    bool commit(bool validate) override;
    void refresh() override;

    void OnCopyMessages();
    void OnBrowse();

    // The greeting is stored with CR LF line breaks; the edit works with LF.
    static QString toStored(const QString& shown);
    static QString toShown(const QString& stored);

protected:
    void initialise() override;
    void showEvent(QShowEvent* event) override;

private:
    // The text box wears the remote pane's font and colours.
    void dressText();

    QCheckBox* m_talkrobotmode;
    QPlainTextEdit* m_autotext;
    SpinEdit* m_ltra;
    QCheckBox* m_saveinfile;
    QLineEdit* m_msgfile;
    QPushButton* m_browse;
};
