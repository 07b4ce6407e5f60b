#pragma once
// A menu item: a click event and a check mark that only the program sets.

#include <QAction>

namespace wimblet {

class MenuItem : public QObject
{
    Q_OBJECT

public:
    MenuItem(const QString &name, QAction *action, QObject *parent);

    QString name() const { return objectName(); }
    QAction *action() const { return m_action; }
    bool Checked() const { return m_checked; }
    void setChecked(bool checked);

Q_SIGNALS:
    void Click();

private:
    QAction *m_action;
    bool m_checked = false;
};

} // namespace wimblet
