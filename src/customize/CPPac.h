// The Action page of the Customize sheet: caller rules and the ring sound.
//
// The Action page: what the talk daemon does with an incoming request, as a default action plus actions
// per caller user name and per caller host, edited as a tree under three fixed headings; and the
// notification sound of the request prompt.
#pragma once

#include "config/CallerRules.h"
#include "customize/CustomizePage.h"

class LabelTree;
class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QTreeWidgetItem;

class CPPac : public CustomizePage {
    Q_OBJECT
public:
    static constexpr int INDEX = 2;
    static inline const QString NEW_ENTRY = QStringLiteral("NEW ENTRY");
    // The radio group's value while no button is checked.
    static constexpr int NO_ACTION = -1;

    CPPac(Settings& settings, ProfileStore& store, QWidget* parent = nullptr);

    bool commit(bool validate) override;
    void refresh() override;
    void saveExtra() override;
    bool preTranslate(QWidget* target, QEvent* event) override;

    LabelTree* tree() const { return m_tree; }
    CallerRulesTree rulesTree() const;
    // The checked action, or NO_ACTION.
    int shownAction() const;

    QTreeWidgetItem* defaultItem() const;
    QTreeWidgetItem* callerHeading() const;
    QTreeWidgetItem* hostHeading() const;
    // A heading is a root item other than "Default action"; an entry is a child of a heading.
    bool isHeading(const QTreeWidgetItem* item) const;
    static bool isEntry(const QTreeWidgetItem* item);

    void OnInsert();
    void OnDeleteEntry();
    void OnPlaySound();
    void OnBrowse();
    void OnTest();

protected:
    void initialise() override;

private:
    void fill(const CallerRulesTree& rules);
    void showAction(int action);
    void OnSelectionChanged();
    void OnActionClicked(int action);

    LabelTree* m_tree;
    QButtonGroup* m_actions;
    QCheckBox* m_playsound;
    QLineEdit* m_sound;
    QPushButton* m_browse;
    QPushButton* m_test;
};
