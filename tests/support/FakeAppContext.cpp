// The shell's stand-in for tests.
#include "FakeAppContext.h"

#include "platform/ProfileStore.h"

FakeAppContext::FakeAppContext(ProfileStore& store) : m_store(store), m_messageStore(store.dataFolder()) {}

FakeAppContext::~FakeAppContext() = default;

bool FakeAppContext::OpenCustomizeSheet(int page) {
    sheets.append(page);
    if (onSheet)
        onSheet();
    return !sheetStaysOpen;
}

void FakeAppContext::openMessageMonitor() {
    ++monitorsOpened;
    if (onMonitor)
        onMonitor();
}

QObject* FakeAppContext::startConversation(int mode, const QString& host, const WireName& user) {
    conversations.append({mode, host, user});
    return onConversation ? onConversation(conversations.last()) : nullptr;
}

void FakeAppContext::addTalkWindow(TalkWindowEntry* window) {
    if (!m_talkWindows.contains(window))
        m_talkWindows.append(window);
}
