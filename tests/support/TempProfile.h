// A profile store in a temporary folder, removed with the object.
#pragma once

#include "platform/ProfileStore.h"

#include <QTemporaryDir>

#include <memory>

class TempProfile {
public:
    TempProfile();
    ProfileStore& store() { return *m_store; }
    QString path() const { return m_path; }
    QString dir() const { return m_dir.path(); }
    // Drops the store object and opens the file afresh (what the next start would read).
    void reopen();
    // The file's text, for checks of the stored layout.
    QString fileText();

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<ProfileStore> m_store;
};
