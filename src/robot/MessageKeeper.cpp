// The message list and the message store in step.
#include "robot/MessageKeeper.h"

#include "robot/MessageStore.h"
#include "robot/RobotMessageList.h"

MessageKeeper::MessageKeeper(RobotMessageList& list, MessageStore& store, QObject* parent)
    : QObject(parent), m_list(list), m_store(store) {
    connect(&list, &RobotMessageList::messageAdded, this, [this](const RobotMessage& message) {
        QString error;
        if (!m_stopped && !m_store.save(message, &error))
            emit failed(error);
    });
    connect(&list, &RobotMessageList::messagesRemoved, this, [this](const QList<quint64>& ids) {
        QString error;
        for (const quint64 id : ids)
            if (!m_stopped && !m_store.remove(id, &error))
                emit failed(error);
    });
}

QStringList MessageKeeper::restore() {
    MessageStore::Loaded loaded = m_store.loadAll();
    m_list.restore(loaded.messages, loaded.highestId);
    return loaded.setAside;
}

void MessageKeeper::stop() {
    m_stopped = true;
}
