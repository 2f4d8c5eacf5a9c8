// The address book in the profile store: persons, their aliases and each alias's hosts.
//
// The address book: persons, their aliases (user names) and each alias's hosts, kept in the sections
// "People" ("Count", "%i"), "Aliases" ("%s count", "%s %i") and "Phosts" ("%s %s count", "%s %s %i").
// There is no long-lived copy: every reader reads the store when it needs the data.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class ProfileStore;

struct AliasEntry {
    QString name;
    QStringList hosts;
    bool operator==(const AliasEntry&) const = default;
};

struct PersonEntry {
    QString name;
    std::vector<AliasEntry> aliases;
    bool operator==(const PersonEntry&) const = default;
};

// The ordered three-level structure the People page edits; tree order is index order.
using PeopleTree = std::vector<PersonEntry>;

namespace AddressBook {

inline const QString PEOPLE = QStringLiteral("People");
inline const QString ALIASES = QStringLiteral("Aliases");
inline const QString PHOSTS = QStringLiteral("Phosts");
inline const QString COUNT = QStringLiteral("Count");

QString aliasCountName(const QString& person);
QString aliasName(const QString& person, int index);
QString hostCountName(const QString& person, const QString& alias);
QString hostName(const QString& person, const QString& alias, int index);

// Readers for a search: values from index 0 until the first missing or empty one; counts not consulted.
QStringList ReadAliases(const ProfileStore& store, const QString& person);
QStringList ReadHosts(const ProfileStore& store, const QString& person, const QString& alias);

} // namespace AddressBook

// By the counts, as the People page shows the book: each list ends at its count or after its highest index stored,
// whichever comes first, and a missing or empty value inside it is an empty item. A count of 0 or less, or none,
// shows no entries, even where values are stored.
PeopleTree LoadPeopleTree(const ProfileStore& store);
// Replaces the whole book by the tree; counts are written only where they are not zero.
void SavePeopleTree(ProfileStore& store, const PeopleTree& tree);
// The person with index Count - 1, or empty.
QString TopPerson(const ProfileStore& store);
// Persons from index 0 until the first missing or empty value, highest index first.
QStringList ListPersonsTopFirst(const ProfileStore& store);
// Moves the person at `position` of ListPersonsTopFirst's list to the top, stored as `name`; only indexes of that
// list are written, so no person outside it is ever overwritten.
void MovePersonToTop(ProfileStore& store, int position, const QString& name);
