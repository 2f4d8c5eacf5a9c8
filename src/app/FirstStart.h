// The version record ("About"/"Version", "About"/"Date") and what the first start of this version does
// besides the About box: the record itself, the sample person on the very first start, and the
// install notification datagram.
#pragma once

#include <QHostAddress>
#include <QString>

class ProfileStore;

namespace FirstStart {

constexpr int VERSION = 141;
inline const QString DATE = QStringLiteral("12/20/96");
inline const QString SECTION = QStringLiteral("About");
inline const QString SAMPLE_PERSON = QStringLiteral("Me (sample)");
inline const QByteArray NOTIFICATION = QByteArray("v1.41", 6); // the text and its terminating zero

// The stored version; 0 when there is none.
int storedVersion(const ProfileStore& store);
// Writes the version record and, when there was none at all (`previousVersion` 0), seeds the address book.
void recordVersion(ProfileStore& store, int previousVersion);
// One person with two aliases: the login name on 127.0.0.1, localhost and this host's name, and "guest" on 127.0.0.1.
void seedSamplePerson(ProfileStore& store);
// One datagram from any local port; failures are ignored and nothing waits for an answer.
void sendInstallNotification(const QHostAddress& address, quint16 port);

} // namespace FirstStart
