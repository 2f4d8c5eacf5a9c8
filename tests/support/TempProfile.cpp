// Temporary profile store.
#include "TempProfile.h"

#include <QFile>

TempProfile::TempProfile()
    : m_path(m_dir.filePath(QStringLiteral("Bravik/ZUNO.conf"))), m_store(std::make_unique<ProfileStore>(m_path)) {}

void TempProfile::reopen() {
    m_store->flush();
    m_store.reset();
    m_store = std::make_unique<ProfileStore>(m_path);
}

QString TempProfile::fileText() {
    m_store->flush();
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}
