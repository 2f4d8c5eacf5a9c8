// The message monitor window.
#include "robot/CMessageMonitor.h"

#include "config/Settings.h"
#include "platform/AppContext.h"
#include "platform/ProfileStore.h"
#include "platform/ShownText.h"
#include "platform/WireName.h"
#include "platform/gui/Desktop.h"
#include "platform/gui/FontConversion.h"
#include "platform/gui/PaneSplitter.h"
#include "platform/gui/ReceivedTextView.h"
#include "robot/MessageContainer.h"
#include "robot/RobotMessageList.h"

#include <QAccessibleWidget>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QTreeWidget>

namespace {

// A table row remembers the message it shows; its id finds the message in the list.
class MessageRow : public QTreeWidgetItem {
public:
    static constexpr int TYPE = QTreeWidgetItem::UserType + 1;
    explicit MessageRow(const RobotMessage& m) : QTreeWidgetItem(TYPE), message(m) {}
    RobotMessage message;
};

// The pane shows line breaks; CR LF and a lone CR are one break each.
QString paneText(const QString& text) {
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(u'\r', u'\n');
    return out;
}

// A plain top-level QWidget reads as a "filler" to assistive technology; the monitor is a window, as a main
// window reads.
QAccessibleInterface* accessibleMonitor(const QString& className, QObject* object) {
    if (className != QLatin1String(CMessageMonitor::staticMetaObject.className()) || !object->isWidgetType())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
}

} // namespace

CMessageMonitor::CMessageMonitor(AppContext& context)
    : QWidget(nullptr, Qt::Window), m_context(&context),
      m_placement(context.store(), PLACEMENT_NAME, WindowPlacement::Frame::Outer) {
    setObjectName(QStringLiteral("messageMonitor"));
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(&accessibleMonitor);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(TITLE);

    m_table = new QTreeWidget(this);
    m_table->setObjectName(QStringLiteral("messages"));
    m_table->setAccessibleName(QStringLiteral("Messages"));
    m_table->setRootIsDecorated(false);
    m_table->setItemsExpandable(false);
    m_table->setUniformRowHeights(true);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_table->setHeaderLabels(
        {QStringLiteral("Sender"), QStringLiteral("Receipt date"), QStringLiteral("Receipt time (local)")});
    m_table->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    m_table->header()->setStretchLastSection(false);
    m_table->setColumnWidth(0, 260);
    m_table->setColumnWidth(1, 100);
    m_table->setColumnWidth(2, 120);

    m_text = new ReceivedTextView(this);
    m_text->setObjectName(QStringLiteral("text"));
    m_text->setAccessibleName(QStringLiteral("Message text"));
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text->setFont(FontConversion::toQFont(context.settings().look.remoteFont));
    // The background is taken now; the text colour is read again whenever the pane paints.
    QPalette palette = m_text->palette();
    const QColor back = FontConversion::toQColor(context.settings().look.remoteBack);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, back);
    m_text->setPalette(palette);
    applyTextColour();
    m_text->viewport()->installEventFilter(this);

    // The handle between the table and the text pane, where the splitter is grabbed.
    m_splitter = new PaneSplitter(SPLITTER_MARGIN, this);
    m_splitter->setObjectName(QStringLiteral("splitter"));
    m_splitter->onDrag = [this](int y) { dragSplitterTo(y); };

    connect(m_table, &QTreeWidget::itemSelectionChanged, this, &CMessageMonitor::showSelectedMessage);
    connect(m_table, &QWidget::customContextMenuRequested, this, &CMessageMonitor::onContextMenu);
    RobotMessageList& list = context.messages();
    connect(&list, &RobotMessageList::messageAdded, this, &CMessageMonitor::AddRow);
    // The program is ending: the monitor goes with the list it shows.
    connect(&list, &QObject::destroyed, this, [this] {
        m_context = nullptr;
        delete this;
    });

    // The placement, with defaults from the desktop.
    const QRect desktop = Desktop::rect();
    const int w5 = desktop.width() / 5;
    const int h5 = desktop.height() / 5;
    const QRect rect = m_placement.stored(QRect(desktop.left() + w5, desktop.top() + h5, 3 * w5, 3 * h5));
    m_splitter->setPosition(m_placement.storedSplitter(rect.height() / 2));
    m_placement.restore(*this, rect);
    layoutChildren();
    m_splitter->limit(height());
    layoutChildren();

    for (const RobotMessage& m : list.messages())
        AddRow(m);
}

CMessageMonitor::~CMessageMonitor() = default;

void CMessageMonitor::bringToFront() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void CMessageMonitor::AddRow(const RobotMessage& message) {
    auto* row = new MessageRow(message);
    const SystemTime& t = message.receiptTime;
    row->setText(0, ShownText::caretForm(message.user.text) + QStringLiteral(" from ") +
                        ShownText::caretForm(message.host));
    row->setText(1, QStringLiteral("%1/%2/%3").arg(t.month).arg(t.day).arg(t.year));
    row->setText(2, QStringLiteral("%1:%2:%3.%4").arg(t.hour).arg(t.minute).arg(t.second).arg(t.milliseconds));
    row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    // The counter runs ahead of the rows after single deletions; such a row goes at the end.
    m_table->insertTopLevelItem(std::min(m_rowCounter, m_table->topLevelItemCount()), row);
    ++m_rowCounter;
}

QTreeWidgetItem* CMessageMonitor::selectedRow() const {
    const QList<QTreeWidgetItem*> rows = m_table->selectedItems();
    return rows.isEmpty() ? nullptr : rows.first();
}

const RobotMessage* CMessageMonitor::selectedMessage() const {
    QTreeWidgetItem* row = selectedRow();
    if (!row || row->type() != MessageRow::TYPE)
        return nullptr;
    return &static_cast<MessageRow*>(row)->message;
}

void CMessageMonitor::showSelectedMessage() {
    if (const RobotMessage* m = selectedMessage())
        m_text->setText(paneText(m->text));
}

void CMessageMonitor::applyTextColour() {
    if (!m_context)
        return;
    const QColor text = FontConversion::toQColor(m_context->settings().look.remoteText);
    if (m_text->palette().color(QPalette::Active, QPalette::Text) == text)
        return;
    QPalette palette = m_text->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Text, text);
    m_text->setPalette(palette);
}

QMenu* CMessageMonitor::createContextMenu() {
    if (m_rowCounter == 0)
        return nullptr;
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("monitorMenu"));
    const bool selected = selectedRow() != nullptr;
    auto add = [&](const QString& text, int command, bool needsRow) {
        QAction* action = menu->addAction(text);
        action->setData(command);
        action->setEnabled(!needsRow || selected);
        connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
    };
    add(QStringLiteral("Close an&d callback"), CMD_CLOSE_AND_CALLBACK, true);
    add(QStringLiteral("&Callback"), CMD_CALLBACK, true);
    menu->addSeparator();
    add(QStringLiteral("&Delete"), CMD_DELETE, true);
    add(QStringLiteral("&Save"), CMD_SAVE, true);
    add(QStringLiteral("Sa&ve and delete"), CMD_SAVE_AND_DELETE, true);
    menu->addSeparator();
    add(QStringLiteral("Delete &all"), CMD_DELETE_ALL, false);
    add(QStringLiteral("Save a&ll"), CMD_SAVE_ALL, false);
    add(QStringLiteral("Sav&e and delete all"), CMD_SAVE_AND_DELETE_ALL, false);
    return menu;
}

void CMessageMonitor::onContextMenu(const QPoint& pos) {
    showSelectedMessage();
    QMenu* menu = createContextMenu();
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(m_table->viewport()->mapToGlobal(pos));
}

void CMessageMonitor::OnCommand(int command) {
    if (!m_context)
        return;
    switch (command) {
    case CMD_CLOSE_AND_CALLBACK: {
        if (!selectedRow())
            return;
        QPointer<CMessageMonitor> self(this);
        callback();
        if (self)
            close();
        return;
    }
    case CMD_CALLBACK:
        callback();
        return;
    case CMD_DELETE:
        deleteSelected();
        return;
    case CMD_SAVE:
        saveSelected();
        return;
    case CMD_SAVE_AND_DELETE:
        // A message that could not be saved stays.
        if (saveSelected())
            deleteSelected();
        return;
    case CMD_DELETE_ALL:
        deleteAll();
        return;
    case CMD_SAVE_ALL:
        SaveAllMessages(*m_context, m_context->messages());
        return;
    case CMD_SAVE_AND_DELETE_ALL:
        if (SaveAllMessages(*m_context, m_context->messages()))
            deleteAll();
        return;
    default:
        return;
    }
}

void CMessageMonitor::callback() {
    const RobotMessage* m = selectedMessage();
    if (!m)
        return;
    // The name goes back with the bytes it came with, as a prompt's call does.
    const QString host = m->host;
    const WireName user = m->user;
    m_context->startConversation(0, host, user);
}

bool CMessageMonitor::saveSelected() {
    const RobotMessage* m = selectedMessage();
    if (!m || !m_context)
        return false;
    const RobotMessage copy = *m;
    return AppendMessageToContainer(*m_context, true, copy);
}

void CMessageMonitor::deleteSelected() {
    QTreeWidgetItem* row = selectedRow();
    if (!row || !m_context)
        return;
    if (const RobotMessage* m = selectedMessage())
        m_context->messages().remove(m->id);
    delete row;
    // No row is selected afterwards: the next command that needs one waits for the user's choice.
    m_table->clearSelection();
    m_text->clear();
    if (m_table->topLevelItemCount() == 0)
        m_rowCounter = 0;
}

void CMessageMonitor::deleteAll() {
    if (m_context)
        m_context->messages().clear();
    m_table->clear();
    m_text->clear();
    m_rowCounter = 0;
}

int CMessageMonitor::splitterPosition() const {
    return m_splitter->position();
}

double CMessageMonitor::splitterRatio() const {
    return m_splitter->ratio();
}

QWidget* CMessageMonitor::splitterGrip() const {
    return m_splitter;
}

void CMessageMonitor::layoutChildren() {
    const int width = this->width();
    const int height = this->height();
    // The client area shrinks by the frame once it is known: the stored boundary stays where it was stored.
    if (m_placement.takeFraming(*this))
        m_splitter->limit(height);
    else
        m_splitter->follow(height);
    const int y = m_splitter->position();
    const int lower = m_splitter->lowerTop();
    m_table->setGeometry(0, 0, width, std::max(y, 0));
    m_text->setGeometry(0, lower, width, std::max(height - lower, 0));
    m_splitter->placeStrip(width);
    savePlacement();
}

void CMessageMonitor::dragSplitterTo(int y) {
    m_splitter->setPosition(y);
    m_splitter->limit(height());
    setUpdatesEnabled(false);
    layoutChildren();
    setUpdatesEnabled(true);
    m_table->update();
    m_text->update();
}

void CMessageMonitor::savePlacement() {
    if (m_context)
        m_placement.save(*this, m_splitter->position());
}

void CMessageMonitor::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!isMinimized())
        layoutChildren();
}

void CMessageMonitor::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_placement.shown();
    // Shown, the window may have its frame: the stored outer rectangle is reached from now on.
    savePlacement();
}

void CMessageMonitor::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (!isMinimized())
        savePlacement();
}

void CMessageMonitor::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Without the context the program is ending, and the store may be gone.
    if (event->type() != QEvent::WindowStateChange || !m_context)
        return;
    m_placement.stateChanged(*this);
    savePlacement();
}

void CMessageMonitor::keyPressEvent(QKeyEvent* event) {
    // Enter and Escape never close the monitor.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

bool CMessageMonitor::eventFilter(QObject* watched, QEvent* event) {
    // The remote text colour may have been changed in Customize since the last paint.
    if (watched == m_text->viewport() && event->type() == QEvent::Paint)
        applyTextColour();
    return QWidget::eventFilter(watched, event);
}
