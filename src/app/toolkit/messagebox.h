#pragma once
// Modal message boxes, replaceable by a scripted double in tests.

#include <QString>

class QWidget;

namespace wimblet {

namespace MsgBox {
enum Style { OKOnly = 0, YesNoCancel = 3, Critical = 16, Question = 32, Exclamation = 48,
             Information = 64 };
enum Answer { OK = 1, Cancel = 2, Yes = 6, No = 7 };
} // namespace MsgBox

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
