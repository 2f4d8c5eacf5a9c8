// Daemon error boxes, one at a time.
#include "daemon/DaemonErrorBoxes.h"

#include "platform/MessageBoxService.h"

#include <QPointer>

DaemonErrorBoxes::DaemonErrorBoxes(QObject* parent) : QObject(parent) {}

void DaemonErrorBoxes::report(const QString& text) {
    m_pending = text;
    if (m_shown || m_queued) {
        if (m_shown)
            ++m_more;
        return;
    }
    m_queued = true;
    QMetaObject::invokeMethod(this, &DaemonErrorBoxes::showNext, Qt::QueuedConnection);
}

void DaemonErrorBoxes::showNext() {
    m_queued = false;
    if (m_pending.isEmpty())
        return;
    MessageBoxService::Request r;
    r.text = m_pending;
    if (m_more > 0)
        r.text += QStringLiteral("\r\n(%1 more since)").arg(m_more);
    r.icon = MessageBoxService::Icon::Stop;
    r.buttons = MessageBoxService::Ok;
    m_pending.clear();
    m_more = 0;
    m_shown = true;
    const QPointer<DaemonErrorBoxes> self(this);
    MessageBoxService::instance().notify(r, [self](int) {
        if (self)
            self->closed();
    });
}

void DaemonErrorBoxes::closed() {
    m_shown = false;
    if (m_more > 0) {
        // The latest error, with how many came while the box was up; queued, like the first.
        m_queued = true;
        QMetaObject::invokeMethod(this, &DaemonErrorBoxes::showNext, Qt::QueuedConnection);
    }
}
