// The user's store and autostart in the registry (Windows): integers as REG_DWORD and texts as REG_SZ under
// HKEY_CURRENT_USER\Software\Bravik\ZUNO; Uninstall removes that key, the maker's key when nothing else is in it,
// and the autostart value the installer set.
#include "platform/Autostart.h"
#include "platform/ProfileStore.h"

#include <QTest>

#include <windows.h>

namespace {

const wchar_t MAKER[] = L"Software\\Bravik";
const wchar_t STORE[] = L"Software\\Bravik\\ZUNO";
const wchar_t OTHER[] = L"Software\\Bravik\\Other";
const wchar_t RUN[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

DWORD typeOf(const wchar_t* key, const wchar_t* value) {
    DWORD type = REG_NONE;
    if (RegGetValueW(HKEY_CURRENT_USER, key, value, RRF_RT_ANY, &type, nullptr, nullptr) != ERROR_SUCCESS)
        return REG_NONE;
    return type;
}

bool keyExists(const wchar_t* key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

} // namespace

class TestRegistryStore : public QObject {
    Q_OBJECT

private slots:
    void init() {
        RegDeleteTreeW(HKEY_CURRENT_USER, MAKER);
        QVERIFY(!keyExists(MAKER));
    }
    void cleanup() { RegDeleteTreeW(HKEY_CURRENT_USER, MAKER); }

    void valuesHaveTheRegistrysTypes() {
        ProfileStore store;
        store.writeInt(QStringLiteral("Settings"), QStringLiteral("ltra"), 7);
        store.writeString(QStringLiteral("Settings"), QStringLiteral("sound"), QStringLiteral("bell.wav"));
        store.flush();
        QCOMPARE(typeOf(L"Software\\Bravik\\ZUNO\\Settings", L"ltra"), DWORD(REG_DWORD));
        QCOMPARE(typeOf(L"Software\\Bravik\\ZUNO\\Settings", L"sound"), DWORD(REG_SZ));
        QCOMPARE(ProfileStore().readInt(QStringLiteral("Settings"), QStringLiteral("ltra"), 0), 7);
    }

    void uninstallRemovesTheKey_data() {
        QTest::addColumn<bool>("otherProgram");
        QTest::newRow("alone under the maker") << false;
        QTest::newRow("beside another program of the maker") << true;
    }
    void uninstallRemovesTheKey() {
        QFETCH(bool, otherProgram);
        HKEY other = nullptr;
        if (otherProgram) {
            QCOMPARE(RegCreateKeyExW(HKEY_CURRENT_USER, OTHER, 0, nullptr, 0, KEY_WRITE, nullptr, &other, nullptr),
                     LONG(ERROR_SUCCESS));
            RegCloseKey(other);
        }
        ProfileStore store;
        store.writeInt(QStringLiteral("People"), QStringLiteral("Count"), 1);
        store.flush();
        QVERIFY(keyExists(STORE));
        store.removeEverything();
        QVERIFY(!keyExists(STORE));
        QCOMPARE(keyExists(MAKER), otherProgram);
        QCOMPARE(keyExists(OTHER), otherProgram);
        // Nothing is written after it.
        store.writeInt(QStringLiteral("Settings"), QStringLiteral("ltra"), 9);
        store.flush();
        QVERIFY(!keyExists(STORE));
    }

    void uninstallRemovesTheAutostartValue() {
        const std::wstring command = L"\"C:\\Program Files\\Murmelo\\zuno.exe\"";
        QCOMPARE(RegSetKeyValueW(HKEY_CURRENT_USER, RUN, L"Murmelo", REG_SZ, command.c_str(),
                                 DWORD((command.size() + 1) * sizeof(wchar_t))),
                 LONG(ERROR_SUCCESS));
        QCOMPARE(typeOf(RUN, L"Murmelo"), DWORD(REG_SZ));
        Autostart::remove(Autostart::userEntryPath());
        QCOMPARE(typeOf(RUN, L"Murmelo"), DWORD(REG_NONE));
    }
};

QTEST_GUILESS_MAIN(TestRegistryStore)
#include "tst_registrystore.moc"
