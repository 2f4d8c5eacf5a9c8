// Customize page base.
#include "customize/CustomizePage.h"

#include "config/Settings.h"
#include "customize/IntegerInput.h"
#include "customize/SpinEdit.h"
#include "platform/MessageBoxService.h"

#include <QKeyEvent>
#include <QPointer>

CustomizePage::CustomizePage(int index, Settings& settings, ProfileStore& store, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_store(store), m_index(index) {}

void CustomizePage::activate() {
    m_settings.tab = m_index;
    if (!m_shown) {
        m_shown = true;
        initialise();
    }
}

void CustomizePage::reload() {
    m_settings.LoadSettings(m_store);
}

bool CustomizePage::preTranslate(QWidget*, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        return true;
    return false;
}

bool CustomizePage::commitInteger(SpinEdit* field, int min, int max, int& setting, bool validate) {
    int value = 0;
    const IntegerInput::Verdict verdict = IntegerInput::check(field->fieldText(), min, max, &value);
    if (verdict == IntegerInput::Verdict::Ok) {
        setting = value;
        return true;
    }
    if (!validate)
        return true;
    QPointer<SpinEdit> guard(field);
    MessageBoxService::Request r;
    r.title = QString::fromLatin1(MessageBoxService::APPLICATION_TITLE);
    r.text = IntegerInput::messageFor(verdict, min, max);
    r.icon = MessageBoxService::Icon::Warning;
    r.owner = this;
    MessageBoxService::instance().ask(r);
    if (guard)
        guard->selectField();
    return false;
}
