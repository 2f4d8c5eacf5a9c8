// People page.
#include "customize/CMyPPp.h"

#include "config/Settings.h"
#include "customize/LabelTree.h"
#include "platform/MessageBoxService.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QTreeWidgetItem* newItem(const QString& text) {
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    return item;
}

} // namespace

CMyPPp::CMyPPp(Settings& settings, ProfileStore& store, QWidget* parent)
    : CustomizePage(INDEX, settings, store, parent) {
    setObjectName(QStringLiteral("CMyPPp"));
    m_tree = new LabelTree(this);
    m_tree->setObjectName(QStringLiteral("peopleTree"));
    m_tree->setAccessibleName(QStringLiteral("People"));
    m_tree->setEditorName([](QTreeWidgetItem* item) {
        switch (LabelTree::depthOf(item)) {
        case 1:
            return QStringLiteral("Person or group name");
        case 2:
            return QStringLiteral("User name");
        default:
            return QStringLiteral("Host name or address");
        }
    });
    m_add = new QPushButton(addCaptionFor(0), this);
    m_add->setObjectName(QStringLiteral("addButton"));
    // Enter belongs to the label editing here, never to a default button.
    m_add->setAutoDefault(false);
    m_prperson = new QCheckBox(QStringLiteral("Prompt &person removal."), this);
    m_prperson->setObjectName(QStringLiteral("prperson"));

    auto* row = new QHBoxLayout;
    row->addWidget(m_add);
    row->addStretch(1);
    row->addWidget(m_prperson);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tree, 1);
    layout->addLayout(row);

    connect(m_add, &QPushButton::clicked, this, &CMyPPp::OnAdd);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &CMyPPp::updateAddCaption);
}

QString CMyPPp::addCaptionFor(int depth) {
    switch (depth) {
    case 2:
        return QStringLiteral("&Add a user name");
    case 3:
        return QStringLiteral("&Add a host");
    default:
        return QStringLiteral("&Add a person");
    }
}

void CMyPPp::initialise() {
    refresh();
    fill(LoadPeopleTree(m_store));
    updateAddCaption();
}

void CMyPPp::fill(const PeopleTree& people) {
    m_tree->clear();
    for (const PersonEntry& person : people) {
        QTreeWidgetItem* p = newItem(person.name);
        m_tree->addTopLevelItem(p);
        for (const AliasEntry& alias : person.aliases) {
            QTreeWidgetItem* a = newItem(alias.name);
            p->addChild(a);
            for (const QString& host : alias.hosts)
                a->addChild(newItem(host));
        }
    }
}

PeopleTree CMyPPp::peopleTree() const {
    PeopleTree people;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* p = m_tree->topLevelItem(i);
        PersonEntry person{p->text(0), {}};
        for (int j = 0; j < p->childCount(); ++j) {
            const QTreeWidgetItem* a = p->child(j);
            AliasEntry alias{a->text(0), {}};
            for (int k = 0; k < a->childCount(); ++k)
                alias.hosts << a->child(k)->text(0);
            person.aliases.push_back(std::move(alias));
        }
        people.push_back(std::move(person));
    }
    return people;
}

void CMyPPp::refresh() {
    m_prperson->setChecked(m_settings.prperson != 0);
}

bool CMyPPp::commit(bool) {
    m_settings.prperson = m_prperson->isChecked() ? 1 : 0;
    return true;
}

void CMyPPp::saveExtra() {
    // An edit still open counts as done.
    if (m_tree->isEditing())
        m_tree->commitEdit();
    SavePeopleTree(m_store, peopleTree());
}

void CMyPPp::updateAddCaption() {
    m_add->setText(addCaptionFor(LabelTree::depthOf(m_tree->currentItem())));
}

void CMyPPp::OnAdd() {
    if (m_tree->isEditing())
        return;
    QTreeWidgetItem* selected = m_tree->currentItem();
    const int ancestors = selected ? LabelTree::depthOf(selected) - 1 : 0;
    QTreeWidgetItem* parent = selected ? selected->parent() : nullptr;
    static const QString placeholders[] = {PERSON_PLACEHOLDER, ALIAS_PLACEHOLDER, HOST_PLACEHOLDER};
    QTreeWidgetItem* last = nullptr;
    for (int level = ancestors; level < 3; ++level) {
        QTreeWidgetItem* item = newItem(placeholders[level]);
        if (parent) {
            parent->addChild(item);
            parent->setExpanded(true);
        } else {
            m_tree->addTopLevelItem(item);
        }
        parent = item;
        last = item;
    }
    m_tree->setCurrentItem(last);
    m_tree->startEdit(last);
}

void CMyPPp::OnDelete() {
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!item || m_tree->isEditing())
        return;
    if (!item->parent() && m_settings.prperson) {
        QPointer<CMyPPp> self(this);
        MessageBoxService::Request r;
        r.title = QString::fromLatin1(MessageBoxService::APPLICATION_TITLE);
        r.text = QStringLiteral("Are you sure?");
        r.icon = MessageBoxService::Icon::Question;
        r.buttons = MessageBoxService::Yes | MessageBoxService::No;
        r.owner = this;
        if (MessageBoxService::instance().ask(r) != MessageBoxService::Yes || !self)
            return;
        // The selection may have changed while the box was open; delete what was asked about.
        if (m_tree->indexOfTopLevelItem(item) < 0)
            return;
    }
    delete item;
    updateAddCaption();
}

bool CMyPPp::preTranslate(QWidget* target, QEvent* event) {
    commit(false);
    if (event->type() == QEvent::MouseButtonPress) {
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton || !m_tree->isEditing())
            return false;
        m_tree->commitEdit();
        return true;
    }
    if (event->type() != QEvent::KeyPress)
        return CustomizePage::preTranslate(target, event);
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Escape:
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_tree->isEditing())
            m_tree->commitEdit();
        else if (QTreeWidgetItem* item = m_tree->currentItem())
            m_tree->startEdit(item);
        return true;
    case Qt::Key_Insert:
        if (m_tree->isEditing())
            return false;
        OnAdd();
        return true;
    case Qt::Key_Delete:
        if (m_tree->isEditing() || !m_tree->currentItem())
            return false;
        OnDelete();
        return true;
    default:
        return false;
    }
}
