// The locate window.
#include "locate/CLocateWindow.h"

#include "config/Settings.h"
#include "locate/LocateSearch.h"
#include "platform/AppContext.h"
#include "platform/MessageBoxService.h"
#include "platform/ProfileStore.h"
#include "platform/ShownText.h"
#include "platform/gui/Desktop.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

struct Column {
    const char* heading;
    int width;
};
constexpr Column COLUMNS[] = {{"Host", 134}, {"Alias", 90}, {"Query status", 244}, {"Located user", 100}};

} // namespace

CLocateWindow::CLocateWindow(AppContext& context, bool urgent, const QString& person)
    : QDialog(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                           Qt::WindowCloseButtonHint),
      m_context(context), m_placement(context.store(), PLACEMENT_NAME, WindowPlacement::Frame::Outer) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("locateWindow"));
    setWindowTitle(QStringLiteral("Murmelo"));
    setSizeGripEnabled(false);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("resultList"));
    m_list->setAccessibleName(QStringLiteral("Hosts searched"));
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setColumnCount(4);
    QStringList headings;
    for (const Column& c : COLUMNS)
        headings << QString::fromLatin1(c.heading);
    m_list->setHeaderLabels(headings);
    m_list->header()->setStretchLastSection(false);
    for (int i = 0; i < 4; ++i)
        m_list->setColumnWidth(i, COLUMNS[i].width);
    QPalette palette = m_list->palette();
    const QColor back = QColor::fromRgb(QRgb(LIST_COLOUR));
    palette.setColor(QPalette::Base, back);
    palette.setColor(QPalette::AlternateBase, back);
    m_list->setPalette(palette);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);

    m_search = new LocateSearch(context, urgent, person, this);
    for (const LocateRow& row : m_search->engine().rows()) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, row.host);
        item->setText(1, row.alias);
        item->setText(2, row.status);
        item->setText(3, ShownText::caretForm(row.locatedUser.text));
        item->setData(0, Qt::UserRole, row.state);
    }
    connect(m_search, &LocateSearch::titleChanged, this, &QWidget::setWindowTitle);
    connect(m_search, &LocateSearch::rowChanged, this, &CLocateWindow::updateRow);
    // Queued: the decision is taken inside the socket's handler, which must return before the window goes.
    connect(m_search, &LocateSearch::talkRequested, this, &CLocateWindow::TalkToRow, Qt::QueuedConnection);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { TalkToSelection(); });
}

CLocateWindow::~CLocateWindow() = default;

void CLocateWindow::start() {
    placeFirstTime();
    show();
    const QString problem = m_search->planProblem();
    if (!problem.isEmpty()) {
        // Not blocking: the search goes on with whatever rows it has.
        MessageBoxService::Request r;
        r.title = QString::fromLatin1(MessageBoxService::APPLICATION_TITLE);
        r.text = problem;
        r.buttons = MessageBoxService::Ok;
        r.owner = this;
        MessageBoxService::instance().notify(r);
    }
    m_search->start();
}

void CLocateWindow::updateRow(int row) {
    QTreeWidgetItem* item = m_list->topLevelItem(row);
    if (!item || row >= int(m_search->engine().rows().size()))
        return;
    const LocateRow& r = m_search->engine().rows()[std::size_t(row)];
    item->setText(2, r.status);
    // What a daemon reported is shown, never interpreted: control characters in caret form.
    item->setText(3, ShownText::caretForm(r.locatedUser.text));
    item->setData(0, Qt::UserRole, r.state);
}

void CLocateWindow::TalkToSelection() {
    if (m_finished)
        return;
    const QTreeWidgetItem* item = m_list->currentItem();
    if (!item || !item->isSelected())
        return;
    const int row = m_list->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item));
    if (m_search->engine().canTalkTo(row))
        TalkToRow(row);
}

void CLocateWindow::TalkToRow(int row) {
    if (m_finished)
        return;
    const auto& rows = m_search->engine().rows();
    if (row < 0 || row >= int(rows.size()))
        return;
    const QString host = rows[std::size_t(row)].host;
    const WireName user = m_search->engine().userFor(row);
    m_search->stop();
    hide();
    QPointer<CLocateWindow> self(this);
    m_context.startConversation(0, host, user); // the urgent flag is not passed on
    if (self)
        finish();
}

void CLocateWindow::accept() {
    TalkToSelection();
}

void CLocateWindow::reject() {
    m_search->stop();
    finish();
}

void CLocateWindow::finish() {
    if (m_finished)
        return;
    m_finished = true;
    hide();
    deleteLater();
}

void CLocateWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        TalkToSelection();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CLocateWindow::placeFirstTime() {
    if (!m_firstPlacement)
        return;
    m_firstPlacement = false;
    const QRect desk = Desktop::rect();
    const int w5 = desk.width() / 5;
    const int h5 = desk.height() / 5;
    if (m_context.settings().topmostlocate == 1)
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
    m_placement.restore(*this, m_placement.stored(QRect(w5, h5, 3 * w5, 3 * h5)));
}

void CLocateWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_placement.shown();
    savePlacement();
}

void CLocateWindow::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || m_firstPlacement || m_finished)
        return;
    m_placement.stateChanged(*this);
    savePlacement();
}

void CLocateWindow::savePlacement() {
    if (m_firstPlacement || m_finished || !isVisible())
        return;
    m_placement.save(*this);
}

void CLocateWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    savePlacement();
}

void CLocateWindow::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    savePlacement();
}
