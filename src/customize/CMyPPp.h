// The People page of the Customize sheet: the address book as one editable tree.
//
// The People page: the address book as one tree of persons, their user names (aliases) and each alias's
// hosts, edited in place with the keyboard, the mouse and one button. Written back whole on OK.
#pragma once

#include "config/AddressBook.h"
#include "customize/CustomizePage.h"

class LabelTree;
class QCheckBox;
class QPushButton;
class QTreeWidgetItem;

class CMyPPp : public CustomizePage {
    Q_OBJECT
public:
    static constexpr int INDEX = 0;
    static inline const QString PERSON_PLACEHOLDER = QStringLiteral("<PERSON/GROUP NAME>");
    static inline const QString ALIAS_PLACEHOLDER = QStringLiteral("<USER ALIAS>");
    static inline const QString HOST_PLACEHOLDER = QStringLiteral("<HOST IP ADDRESS>");

    CMyPPp(Settings& settings, ProfileStore& store, QWidget* parent = nullptr);

    bool commit(bool validate) override;
    void refresh() override;
    void saveExtra() override;
    bool preTranslate(QWidget* target, QEvent* event) override;

    LabelTree* tree() const { return m_tree; }
    // The tree as the address book it stands for.
    PeopleTree peopleTree() const;

    // Adds a new person, alias or host below the selected item's parent, and edits the new host.
    void OnAdd();
    // Deletes the selected item with everything below it (asking first for a person when `prperson` is on).
    void OnDelete();

    // The Add button's caption for an item of the given depth (0 for no selection).
    static QString addCaptionFor(int depth);

protected:
    void initialise() override;

private:
    void fill(const PeopleTree& people);
    void updateAddCaption();

    LabelTree* m_tree;
    QPushButton* m_add;
    QCheckBox* m_prperson;
};
