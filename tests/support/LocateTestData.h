// Helpers shared by the locate tests: address-book entries and daemon replies as bytes.
#pragma once

#include "config/AddressBook.h"
#include "platform/ProfileStore.h"
#include "protocol/ControlMessage.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace locatetest {

// Writes a person with aliases and their hosts, the way the People page stores them.
inline void writePerson(ProfileStore& store, const QString& person,
                        const std::vector<std::pair<QString, QStringList>>& aliases) {
    PeopleTree tree = LoadPeopleTree(store);
    PersonEntry entry{person, {}};
    for (const auto& [alias, hosts] : aliases)
        entry.aliases.push_back({alias, hosts});
    tree.push_back(entry);
    SavePeopleTree(store, tree);
}

// A Unix style daemon's reply: 24 bytes.
inline QByteArray unixReply(std::uint8_t answer = talk::NOT_HERE) {
    talk::ControlMessage m;
    m.vers = 1;
    m.type = talk::LOOK_UP;
    m.answer = answer;
    const talk::Datagram d = m.encode();
    return QByteArray(reinterpret_cast<const char*>(d.data()), int(talk::REPLY_SIZE));
}

// A probe reply of this program's daemon: 84 bytes with the marker, the login name and the full name.
inline QByteArray probeReply(std::uint8_t answer, const std::string& login, bool marker = true,
                             const std::string& fullName = "Full Name") {
    talk::ControlMessage m;
    m.vers = 1;
    m.type = talk::LOOK_UP;
    m.answer = answer;
    m.id_num = marker ? talk::PROBE_ID_REPLY : talk::IdBytes{0, 0, 0, 1};
    m.setLocalName(login);
    m.setFullName(fullName);
    const talk::Datagram d = m.encode();
    return QByteArray(reinterpret_cast<const char*>(d.data()), int(d.size()));
}

} // namespace locatetest
