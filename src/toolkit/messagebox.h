#pragma once
// Modal message boxes, replaceable by a scripted double in tests.

#include "base/msgbox.h"

#include <QString>

class QWidget;

namespace wimblet {

class MessageBoxService
{
public:
    virtual ~MessageBoxService() = default;
    // Shows a modal box; returns the answer. Escape and the close box answer Cancel.
    virtual int show(const QString &prompt, int style, const QString &title) = 0;
};

class QtMessageBoxService : public MessageBoxService
{
public:
    explicit QtMessageBoxService(QWidget *parent) : m_parent(parent) {}
    int show(const QString &prompt, int style, const QString &title) override;

private:
    QWidget *m_parent;
};

} // namespace wimblet
