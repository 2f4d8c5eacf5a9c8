// Counted error boxes, one at a time.
#include "platform/CountedErrorBox.h"

#include <QPointer>

CountedErrorBox::CountedErrorBox(MessageBoxService::Icon icon, QObject* parent) : QObject(parent), m_icon(icon) {
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(REFRESH_MS);
    connect(&m_refresh, &QTimer::timeout, this, &CountedErrorBox::refresh);
}

void CountedErrorBox::report(const QString& text) {
    if (m_queued || m_shown) {
        // Counted at once; the text follows with the next refresh.
        ++m_more;
        if (m_shown && m_box != 0 && !m_refresh.isActive())
            m_refresh.start();
        return;
    }
    m_text = text;
    m_more = 0;
    m_queued = true;
    QMetaObject::invokeMethod(this, &CountedErrorBox::show, Qt::QueuedConnection);
}

QString CountedErrorBox::boxText() const {
    return m_more > 0 ? m_text + QStringLiteral("\r\n(%1 more since)").arg(m_more) : m_text;
}

void CountedErrorBox::show() {
    m_queued = false;
    m_shown = true;
    MessageBoxService::Request r;
    r.text = boxText();
    m_moreShown = m_more;
    r.icon = m_icon;
    r.buttons = MessageBoxService::Ok;
    // Any host can make the next one come, at any moment: it never takes the keys of a conversation.
    r.unbidden = true;
    const QPointer<CountedErrorBox> self(this);
    const int box = MessageBoxService::instance().notify(r, [self](int) {
        if (self)
            self->closed();
    });
    // A box answered at once (no windows) is already closed.
    if (self && m_shown)
        m_box = box;
}

void CountedErrorBox::refresh() {
    if (!m_shown || m_box == 0 || m_more == m_moreShown)
        return;
    m_moreShown = m_more;
    MessageBoxService::instance().replaceText(m_box, boxText());
}

void CountedErrorBox::closed() {
    m_refresh.stop();
    m_shown = false;
    m_box = 0;
    m_more = 0;
    m_moreShown = 0;
    m_text.clear();
}
