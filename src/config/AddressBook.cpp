// Address book in its stored layout.
#include "config/AddressBook.h"

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

// The entries of a list are those below its count, up to the first missing value: a broken count (2147483647)
// must not make a reader loop two billion times.
bool present(const ProfileStore& store, const QString& section, int index, int count, const QString& valueName) {
    return index < count && store.contains(section, valueName);
}

} // namespace

PeopleTree LoadPeopleTree(const ProfileStore& store) {
    PeopleTree tree;
    const int people = store.readInt(PEOPLE, COUNT, 0);
    for (int i = 0; present(store, PEOPLE, i, people, QString::number(i)); ++i) {
        PersonEntry person;
        person.name = store.readString(PEOPLE, QString::number(i));
        const int aliases = store.readInt(ALIASES, aliasCountName(person.name), 0);
        for (int k = 0; present(store, ALIASES, k, aliases, aliasName(person.name, k)); ++k) {
            AliasEntry alias;
            alias.name = store.readString(ALIASES, aliasName(person.name, k));
            const int hosts = store.readInt(PHOSTS, hostCountName(person.name, alias.name), 0);
            for (int m = 0; present(store, PHOSTS, m, hosts, hostName(person.name, alias.name, m)); ++m)
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
