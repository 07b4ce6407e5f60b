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
    // Only a checked item is checkable: styles draw an empty box for a checkable item
    // that is not checked, and an unchecked item must look like one never checked.
    m_checked = checked;
    m_action->setCheckable(checked);
    m_action->setChecked(checked);
}

} // namespace wimblet
