#pragma once
// The real modal dialogs: Qt message boxes and Qt file dialogs.

#include "base/dialogs.h"
#include "base/msgbox.h"

class QWidget;

namespace wimblet {

class QtMessageBoxService : public MessageBoxService
{
public:
    explicit QtMessageBoxService(QWidget *parent) : m_parent(parent) {}
    int show(const QString &prompt, int style, const QString &title) override;

private:
    QWidget *m_parent;
};

class QtFileDialogService : public FileDialogService
{
public:
    explicit QtFileDialogService(QWidget *parent) : m_parent(parent) {}
    std::optional<QString> getOpenFileName(const QStringList &filters,
                                           const QString &initialName) override;
    std::optional<QString> getSaveFileName(const QStringList &filters,
                                           const QString &initialName) override;

private:
    QWidget *m_parent;
};

} // namespace wimblet
