// Customize sheet.
#include "customize/CMyPropertySheet.h"

#include "config/Settings.h"
#include "customize/CMyPPp.h"
#include "customize/CPPac.h"
#include "customize/CPPap.h"
#include "customize/CPPse.h"
#include "customize/CPPtr.h"
#include "platform/AppContext.h"
#include "platform/ProfileStore.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWindow>

CMyPropertySheet::CMyPropertySheet(AppContext& context, int page, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("CMyPropertySheet"));
    setWindowTitle(QStringLiteral("Murmelo: customize"));
    Settings& settings = context.settings();
    ProfileStore& store = context.store();

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("pages"));
    m_pages[CMyPPp::INDEX] = new CMyPPp(settings, store);
    auto* general = new CPPse(context);
    m_pages[CPPse::INDEX] = general;
    m_pages[CPPac::INDEX] = new CPPac(settings, store);
    m_pages[CPPap::INDEX] = new CPPap(settings, store);
    m_pages[CPPtr::INDEX] = new CPPtr(settings, store);
    static const char* const captions[PAGE_COUNT] = {"People", "General", "Action", "Appearance", "Talk robot"};
    m_tabs->blockSignals(true);
    for (int i = 0; i < PAGE_COUNT; ++i)
        m_tabs->addTab(m_pages[i], QString::fromLatin1(captions[i]));
    m_tabs->blockSignals(false);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setDefault(true);
    m_ok->setObjectName(QStringLiteral("ok"));
    QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
    cancel->setAutoDefault(false);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CMyPropertySheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CMyPropertySheet::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
    resize(520, 420);

    connect(m_tabs, &QTabWidget::currentChanged, this, &CMyPropertySheet::OnCurrentChanged);
    connect(general, &CPPse::uninstalled, this, &CMyPropertySheet::OnUninstalled);

    qApp->installEventFilter(this);
    setActivePage(page >= 0 && page < PAGE_COUNT ? page : 0);
}

CMyPropertySheet::~CMyPropertySheet() {
    qApp->removeEventFilter(this);
}

CustomizePage* CMyPropertySheet::activePage() const {
    return m_current >= 0 && m_current < PAGE_COUNT ? m_pages[m_current] : nullptr;
}

void CMyPropertySheet::setActivePage(int index) {
    if (index < 0 || index >= PAGE_COUNT)
        return;
    if (m_tabs->currentIndex() != index)
        m_tabs->setCurrentIndex(index);
    else if (m_current != index)
        OnCurrentChanged(index);
}

void CMyPropertySheet::OnCurrentChanged(int index) {
    if (m_switchingBack || index == m_current)
        return;
    if (CustomizePage* leaving = activePage()) {
        // The page being left is checked while it is on screen; a refused value keeps it there.
        m_switchingBack = true;
        m_tabs->setCurrentIndex(m_current);
        const bool valid = leaving->commit(true);
        if (valid)
            m_tabs->setCurrentIndex(index);
        m_switchingBack = false;
        if (!valid)
            return;
    }
    m_current = index;
    m_pages[index]->activate();
    focusFirstControl();
}

void CMyPropertySheet::focusFirstControl() {
    // As a property sheet does: the page opens with its first control focused, never the tab bar or a button,
    // so the keys the user types next go to the page.
    CustomizePage* page = activePage();
    if (!page)
        return;
    for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
        if (!page->isAncestorOf(w))
            continue;
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && !w->isHidden() && !w->focusProxy()) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
    page->setFocus(Qt::TabFocusReason);
}

void CMyPropertySheet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (CustomizePage* page = activePage(); page && !page->isAncestorOf(focusWidget()))
        focusFirstControl();
}

void CMyPropertySheet::accept() {
    // Every page shown commits first, the active one first; a refused value keeps the sheet open on its page.
    if (CustomizePage* active = activePage(); active && !active->commit(true))
        return;
    for (CustomizePage* page : m_pages) {
        if (!page->wasShown() || page == activePage())
            continue;
        if (!page->commit(true)) {
            setActivePage(page->pageIndex());
            return;
        }
    }
    ProfileStore& store = m_context.store();
    Settings& settings = m_context.settings();
    for (CustomizePage* page : m_pages) {
        if (!page->wasShown())
            continue;
        page->saveExtra();
        settings.SaveSettings(store);
    }
    store.flush();
    QDialog::accept();
}

void CMyPropertySheet::reject() {
    if (!m_uninstalled) {
        for (CustomizePage* page : m_pages)
            if (page->wasShown())
                page->reload();
    }
    QDialog::reject();
}

void CMyPropertySheet::OnUninstalled() {
    // The program is ending: neither OK nor Cancel processing, and nothing more is written.
    m_uninstalled = true;
    QDialog::reject();
}

bool CMyPropertySheet::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::MouseButtonPress)
        return false;
    CustomizePage* page = activePage();
    if (!page || !isVisible())
        return false;
    if (watched->isWindowType()) {
        // A press on the sheet's window, before it reaches a widget and moves the focus.
        if (type != QEvent::MouseButtonPress || watched != windowHandle())
            return false;
        QWidget* target = childAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (!target || !page->isAncestorOf(target))
            return false;
        return page->preTranslate(target, event);
    }
    auto* target = qobject_cast<QWidget*>(watched);
    if (!target || (target != page && !page->isAncestorOf(target))) {
        // Outside the page but in the sheet (its tab bar, its buttons, the sheet itself): Escape would reach
        // the dialog and cancel it. Only Cancel and the close box cancel the sheet.
        return type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && target &&
               (target == this || isAncestorOf(target));
    }
    // A key a widget does not take travels on to its parents, so the page may see it again: what
    // preTranslate does with a key it does not swallow is only the commit, which may run twice.
    return page->preTranslate(target, event);
}
