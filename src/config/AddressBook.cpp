// Address book in its stored layout.
#include "config/AddressBook.h"

#include "config/StoredIndexes.h"
#include "platform/ProfileStore.h"

namespace AddressBook {

QString aliasCountName(const QString& person) {
    return QStringLiteral("%1 count").arg(person);
}
// One multi-argument arg each: chained calls would let a "%2" inside a person's or alias's name take the index.
QString aliasName(const QString& person, int index) {
    return QStringLiteral("%1 %2").arg(person, QString::number(index));
}
QString hostCountName(const QString& person, const QString& alias) {
    return QStringLiteral("%1 %2 count").arg(person, alias);
}
QString hostName(const QString& person, const QString& alias, int index) {
    return QStringLiteral("%1 %2 %3").arg(person, alias, QString::number(index));
}

QStringList ReadAliases(const ProfileStore& store, const QString& person) {
    QStringList out;
    for (int k = 0;; ++k) {
        const QString alias = store.readString(ALIASES, aliasName(person, k));
        if (alias.isEmpty())
            break;
        out << alias;
    }
    return out;
}

QStringList ReadHosts(const ProfileStore& store, const QString& person, const QString& alias) {
    QStringList out;
    for (int m = 0;; ++m) {
        const QString host = store.readString(PHOSTS, hostName(person, alias, m));
        if (host.isEmpty())
            break;
        out << host;
    }
    return out;
}

} // namespace AddressBook

using namespace AddressBook;

namespace {

// The parts of the value names before the index, as aliasName and hostName compose them.
QString aliasPrefix(const QString& person) {
    return QStringLiteral("%1 ").arg(person);
}
QString hostPrefix(const QString& person, const QString& alias) {
    return QStringLiteral("%1 %2 ").arg(person, alias);
}

} // namespace

// Each list is as long as its count says, but no longer than its values stored: a gap is an empty item, so that the
// page shows, and its OK writes back, whatever lies beyond it.
PeopleTree LoadPeopleTree(const ProfileStore& store) {
    const StoredIndexes people(store, PEOPLE);
    const StoredIndexes aliases(store, ALIASES);
    const StoredIndexes hosts(store, PHOSTS);
    PeopleTree tree;
    const int personCount = people.length(QString(), store.readInt(PEOPLE, COUNT, 0));
    for (int i = 0; i < personCount; ++i) {
        PersonEntry person;
        person.name = store.readString(PEOPLE, QString::number(i));
        const int aliasCount =
            aliases.length(aliasPrefix(person.name), store.readInt(ALIASES, aliasCountName(person.name), 0));
        for (int k = 0; k < aliasCount; ++k) {
            AliasEntry alias;
            alias.name = store.readString(ALIASES, aliasName(person.name, k));
            const int hostCount = hosts.length(hostPrefix(person.name, alias.name),
                                               store.readInt(PHOSTS, hostCountName(person.name, alias.name), 0));
            for (int m = 0; m < hostCount; ++m)
                alias.hosts << store.readString(PHOSTS, hostName(person.name, alias.name, m));
            person.aliases.push_back(std::move(alias));
        }
        tree.push_back(std::move(person));
    }
    return tree;
}

void SavePeopleTree(ProfileStore& store, const PeopleTree& tree) {
    store.deleteSection(PEOPLE);
    store.deleteSection(ALIASES);
    store.deleteSection(PHOSTS);
    int personIndex = 0;
    for (const PersonEntry& person : tree) {
        store.writeString(PEOPLE, QString::number(personIndex), person.name);
        int aliasIndex = 0;
        for (const AliasEntry& alias : person.aliases) {
            store.writeString(ALIASES, aliasName(person.name, aliasIndex), alias.name);
            int hostIndex = 0;
            for (const QString& host : alias.hosts)
                store.writeString(PHOSTS, hostName(person.name, alias.name, hostIndex++), host);
            if (hostIndex > 0)
                store.writeInt(PHOSTS, hostCountName(person.name, alias.name), hostIndex);
            ++aliasIndex;
        }
        if (aliasIndex > 0)
            store.writeInt(ALIASES, aliasCountName(person.name), aliasIndex);
        ++personIndex;
    }
    if (personIndex > 0)
        store.writeInt(PEOPLE, COUNT, personIndex);
    store.flush();
}

QString TopPerson(const ProfileStore& store) {
    const int n = store.readInt(PEOPLE, COUNT, 0);
    if (n <= 0)
        return {};
    return store.readString(PEOPLE, QString::number(n - 1));
}

QStringList ListPersonsTopFirst(const ProfileStore& store) {
    QStringList out;
    for (int i = 0;; ++i) {
        const QString name = store.readString(PEOPLE, QString::number(i));
        if (name.isEmpty())
            break;
        out.prepend(name);
    }
    return out;
}

void MovePersonToTop(ProfileStore& store, int position, const QString& name) {
    // The list the person dialog shows and takes the position from: it ends before the first missing or empty
    // value, so every index moved lies inside it, whatever "Count" says and whatever lies beyond a gap.
    const int n = int(ListPersonsTopFirst(store).size());
    if (position < 0 || position >= n)
        return;
    const int r = n - 1 - position;
    for (int k = r + 1; k <= n - 1; ++k)
        store.writeString(PEOPLE, QString::number(k - 1), store.readString(PEOPLE, QString::number(k)));
    store.writeString(PEOPLE, QString::number(n - 1), name);
    store.flush();
}
