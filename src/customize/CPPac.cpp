// Action page.
#include "customize/CPPac.h"

#include "config/Settings.h"
#include "customize/LabelTree.h"
#include "platform/MessageBoxService.h"
#include "platform/gui/NotificationSound.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr int ACTION_ROLE = Qt::UserRole;

QTreeWidgetItem* newItem(const QString& text, int action) {
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setData(0, ACTION_ROLE, action);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    return item;
}

int actionOf(const QTreeWidgetItem* item) {
    bool ok = false;
    const int action = item->data(0, ACTION_ROLE).toInt(&ok);
    return ok ? action : ACTION_POPUP;
}

} // namespace

CPPac::CPPac(Settings& settings, ProfileStore& store, QWidget* parent) : CustomizePage(INDEX, settings, store, parent) {
    setObjectName(QStringLiteral("CPPac"));
    m_tree = new LabelTree(this);
    m_tree->setObjectName(QStringLiteral("actionTree"));
    m_tree->setAccessibleName(QStringLiteral("Callers and hosts"));
    // Only the entries under "Caller" and "Host" have labels the user may change.
    m_tree->setEditFilter([](QTreeWidgetItem* item) { return isEntry(item); });
    m_tree->setEditorName([this](QTreeWidgetItem* item) {
        return item && item->parent() == hostHeading() ? QStringLiteral("Caller's host")
                                                       : QStringLiteral("Caller's user name");
    });

    auto* actionBox = new QGroupBox(this);
    auto* actionLayout = new QVBoxLayout(actionBox);
    m_actions = new QButtonGroup(this);
    static const char* const labels[] = {"R&efuse", "Ref&use urgent", "&Igrore all requests", "P&op up window",
                                         "&Connect at once"};
    for (int action = 0; action < 5; ++action) {
        auto* button = new QRadioButton(QString::fromLatin1(labels[action]), actionBox);
        button->setObjectName(QStringLiteral("action%1").arg(action));
        m_actions->addButton(button, action);
        actionLayout->addWidget(button);
    }
    actionLayout->addStretch(1);

    auto* upper = new QHBoxLayout;
    upper->addWidget(m_tree, 1);
    upper->addWidget(actionBox);

    m_playsound = new QCheckBox(QStringLiteral("&Play sound:"), this);
    m_playsound->setObjectName(QStringLiteral("playsound"));
    m_sound = new QLineEdit(this);
    m_sound->setObjectName(QStringLiteral("sound"));
    m_sound->setAccessibleName(QStringLiteral("Sound file"));
    m_browse = new QPushButton(QStringLiteral("&Browse"), this);
    m_browse->setObjectName(QStringLiteral("browse"));
    m_browse->setAutoDefault(false);
    m_test = new QPushButton(QStringLiteral("&Test"), this);
    m_test->setObjectName(QStringLiteral("test"));
    m_test->setAutoDefault(false);
    auto* soundRow = new QHBoxLayout;
    soundRow->addWidget(m_playsound);
    soundRow->addWidget(m_sound, 1);
    soundRow->addWidget(m_browse);
    soundRow->addWidget(m_test);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(upper, 1);
    layout->addLayout(soundRow);

    connect(m_tree, &QTreeWidget::currentItemChanged, this, &CPPac::OnSelectionChanged);
    connect(m_actions, &QButtonGroup::idClicked, this, &CPPac::OnActionClicked);
    connect(m_playsound, &QCheckBox::clicked, this, &CPPac::OnPlaySound);
    connect(m_browse, &QPushButton::clicked, this, &CPPac::OnBrowse);
    connect(m_test, &QPushButton::clicked, this, &CPPac::OnTest);
}

void CPPac::initialise() {
    fill(LoadCallerRules(m_store));
    refresh();
    showAction(NO_ACTION);
    OnPlaySound();
}

void CPPac::fill(const CallerRulesTree& rules) {
    m_tree->clear();
    m_tree->addTopLevelItem(newItem(CallerRules::DEFAULT_ACTION, rules.defaultAction));
    QTreeWidgetItem* callers = newItem(CallerRules::CALLER, ACTION_POPUP);
    QTreeWidgetItem* hosts = newItem(CallerRules::HOST, ACTION_POPUP);
    m_tree->addTopLevelItem(callers);
    m_tree->addTopLevelItem(hosts);
    for (const CallerRule& rule : rules.callers)
        callers->addChild(newItem(rule.key, rule.action));
    for (const CallerRule& rule : rules.hosts)
        hosts->addChild(newItem(rule.key, rule.action));
}

QTreeWidgetItem* CPPac::defaultItem() const {
    return m_tree->topLevelItem(0);
}
QTreeWidgetItem* CPPac::callerHeading() const {
    return m_tree->topLevelItem(1);
}
QTreeWidgetItem* CPPac::hostHeading() const {
    return m_tree->topLevelItem(2);
}

bool CPPac::isEntry(const QTreeWidgetItem* item) {
    return item && item->parent();
}

bool CPPac::isHeading(const QTreeWidgetItem* item) const {
    return item && !item->parent() && item != defaultItem();
}

CallerRulesTree CPPac::rulesTree() const {
    CallerRulesTree rules;
    if (m_tree->topLevelItemCount() < 3)
        return rules;
    rules.defaultAction = actionOf(defaultItem());
    for (int i = 0; i < callerHeading()->childCount(); ++i)
        rules.callers.push_back({callerHeading()->child(i)->text(0), actionOf(callerHeading()->child(i))});
    for (int i = 0; i < hostHeading()->childCount(); ++i)
        rules.hosts.push_back({hostHeading()->child(i)->text(0), actionOf(hostHeading()->child(i))});
    return rules;
}

void CPPac::refresh() {
    m_playsound->setChecked(m_settings.playsound != 0);
    m_sound->setText(m_settings.sound);
}

bool CPPac::commit(bool) {
    m_settings.playsound = m_playsound->isChecked() ? 1 : 0;
    m_settings.sound = m_sound->text();
    return true;
}

void CPPac::saveExtra() {
    if (m_tree->isEditing())
        m_tree->commitEdit();
    SaveCallerRules(m_store, rulesTree());
}

int CPPac::shownAction() const {
    return m_actions->checkedId();
}

void CPPac::showAction(int action) {
    if (QAbstractButton* button = m_actions->button(action)) {
        button->setChecked(true);
        return;
    }
    // No button checked: an exclusive group will not uncheck its last button by itself.
    m_actions->setExclusive(false);
    for (QAbstractButton* button : m_actions->buttons())
        button->setChecked(false);
    m_actions->setExclusive(true);
}

void CPPac::OnSelectionChanged() {
    QTreeWidgetItem* item = m_tree->currentItem();
    showAction(item && !isHeading(item) ? actionOf(item) : NO_ACTION);
}

void CPPac::OnActionClicked(int action) {
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!item || isHeading(item)) {
        showAction(NO_ACTION);
        return;
    }
    item->setData(0, ACTION_ROLE, action);
}

void CPPac::OnInsert() {
    QTreeWidgetItem* target = m_tree->currentItem();
    if (!target || m_tree->isEditing())
        return;
    if (target == defaultItem())
        target = callerHeading();
    else if (isEntry(target))
        target = target->parent();
    QTreeWidgetItem* entry = newItem(NEW_ENTRY, ACTION_POPUP);
    target->addChild(entry);
    target->setExpanded(true);
    m_tree->setCurrentItem(entry);
    showAction(ACTION_POPUP);
    m_tree->startEdit(entry);
}

void CPPac::OnDeleteEntry() {
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!isEntry(item) || m_tree->isEditing())
        return;
    delete item;
}

void CPPac::OnPlaySound() {
    commit(false);
    const bool on = m_settings.playsound != 0;
    m_sound->setEnabled(on);
    m_browse->setEnabled(on);
    m_test->setEnabled(on);
}

void CPPac::OnBrowse() {
    commit(false);
    QPointer<CPPac> self(this);
    QString path;
    if (!MessageBoxService::instance().chooseOpenFile(path, QStringLiteral("Murmelo: choose notification sound."),
                                                      QStringLiteral("Wave files (*.WAV)"), QStringLiteral("wav"),
                                                      this) ||
        !self)
        return;
    m_sound->setText(path);
}

void CPPac::OnTest() {
    commit(false);
    PlaySoundFile(m_settings.sound);
}

bool CPPac::preTranslate(QWidget* target, QEvent* event) {
    commit(false);
    const bool inTree = target == m_tree || m_tree->isAncestorOf(target);
    if (event->type() == QEvent::MouseButtonPress) {
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton || !m_tree->isEditing())
            return false;
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape)
            return true;
        if (key == Qt::Key_Insert && inTree && !m_tree->isEditing()) {
            OnInsert();
            return true;
        }
        if (key == Qt::Key_Delete && inTree && !m_tree->isEditing()) {
            OnDeleteEntry();
            return true;
        }
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
    } else {
        return false;
    }
    // Enter, or a left press while a label is being edited.
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!isEntry(item))
        return true;
    if (m_tree->isEditing())
        m_tree->commitEdit();
    else
        m_tree->startEdit(item);
    return true;
}
