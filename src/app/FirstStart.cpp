// First start of a version.
#include "app/FirstStart.h"

#include "config/AddressBook.h"
#include "platform/LoginName.h"
#include "platform/ProfileStore.h"

#include <QHostInfo>
#include <QUdpSocket>

namespace FirstStart {

int storedVersion(const ProfileStore& store) {
    return store.readInt(SECTION, QStringLiteral("Version"), 0);
}

void recordVersion(ProfileStore& store, int previousVersion) {
    store.writeInt(SECTION, QStringLiteral("Version"), VERSION);
    store.writeString(SECTION, QStringLiteral("Date"), DATE);
    if (previousVersion == 0)
        seedSamplePerson(store);
    store.flush();
}

void seedSamplePerson(ProfileStore& store) {
    using namespace AddressBook;
    const QString person = SAMPLE_PERSON;
    const QString me = LoginName::current();
    const QString guest = QStringLiteral("guest");
    store.writeInt(PEOPLE, COUNT, 1);
    store.writeString(PEOPLE, QStringLiteral("0"), person);
    store.writeInt(ALIASES, aliasCountName(person), 2);
    store.writeString(ALIASES, aliasName(person, 0), me);
    store.writeString(ALIASES, aliasName(person, 1), guest);
    const QStringList myHosts = {QStringLiteral("127.0.0.1"), QStringLiteral("localhost"), QHostInfo::localHostName()};
    store.writeInt(PHOSTS, hostCountName(person, me), int(myHosts.size()));
    for (int i = 0; i < myHosts.size(); ++i)
        store.writeString(PHOSTS, hostName(person, me, i), myHosts[i]);
    store.writeInt(PHOSTS, hostCountName(person, guest), 1);
    store.writeString(PHOSTS, hostName(person, guest, 0), QStringLiteral("127.0.0.1"));
}

void sendInstallNotification(const QHostAddress& address, quint16 port) {
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::AnyIPv4, 0))
        return;
    socket.writeDatagram(NOTIFICATION, address, port);
    socket.close();
}

} // namespace FirstStart
