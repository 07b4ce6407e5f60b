#include "toolkit/messagebox.h"

#include <QMessageBox>
#include <QPushButton>

namespace wimblet {

namespace {

QMessageBox::Icon iconFor(int style)
{
    switch (style & 0x70) {
    case MsgBox::Critical: return QMessageBox::Critical;
    case MsgBox::Question: return QMessageBox::Question;
    case MsgBox::Exclamation: return QMessageBox::Warning;
    case MsgBox::Information: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

} // namespace

int QtMessageBoxService::show(const QString &prompt, int style, const QString &title)
{
    QMessageBox box(iconFor(style), title, prompt, QMessageBox::NoButton, m_parent);
    if ((style & 0x0F) == MsgBox::YesNoCancel) {
        QPushButton *yes = box.addButton(QMessageBox::Yes);
        box.addButton(QMessageBox::No);
        QPushButton *cancel = box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(yes);
        box.setEscapeButton(cancel);
        box.exec();
        if (box.clickedButton() == yes)
            return MsgBox::Yes;
        if (box.clickedButton() == cancel || !box.clickedButton())
            return MsgBox::Cancel;
        return MsgBox::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
    return MsgBox::OK;
}

} // namespace wimblet
