#include "app/notepadhost.h"

#include "about/aboutdialog.h"
#include "about/frmAbout.h"
#include "app/frmNotepad.h"

namespace wimblet {

QString NotepadHost::text() const
{
    return m_window.txt->Text();
}

void NotepadHost::setText(const QString &text)
{
    m_window.txt->setText(text);
}

void NotepadHost::setCaption(const QString &caption)
{
    m_window.setCaption(caption);
}

int NotepadHost::msgBox(const QString &prompt, int style, const QString &title)
{
    return m_window.m_messageBox->show(prompt, style, title);
}

void NotepadHost::setDialogFilter(const QString &filter)
{
    m_window.CommonDialog1->setFilter(filter);
}

QString NotepadHost::dialogFileName() const
{
    return m_window.CommonDialog1->FileName();
}

bool NotepadHost::showOpen()
{
    return m_window.CommonDialog1->ShowOpen();
}

bool NotepadHost::showSave()
{
    return m_window.CommonDialog1->ShowSave();
}

void NotepadHost::unloadAbout()
{
    m_window.about().Unload();
}

void NotepadHost::endProgram()
{
    m_window.endProgram();
}

} // namespace wimblet
