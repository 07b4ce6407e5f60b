#include "toolkit/menuitem.h"

namespace wimblet {

MenuItem::MenuItem(const QString &name, QAction *action, QObject *parent)
    : QObject(parent)
    , m_action(action)
{
    setObjectName(name);
    connect(m_action, &QAction::triggered, this, [this] {
        // Choosing an item never toggles its mark by itself; the command decides.
        if (m_action->isCheckable())
            m_action->setChecked(m_checked);
        Q_EMIT Click();
    });
}

void MenuItem::setChecked(bool checked)
{
    m_checked = checked;
    if (checked)
        m_action->setCheckable(true);
    m_action->setChecked(checked);
}

} // namespace wimblet
