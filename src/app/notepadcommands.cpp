// The main window's commands: each menu item and toolbar button routed to its
// operation, the conversions, auto save and ending the program.
#include "app/frmNotepad.h"

#include "about/aboutdialog.h"
#include "about/frmAbout.h"
#include "convert/styleconversion.h"
#include "document/documentcommands.h"
#include "toolkit/colour.h"

#include <QApplication>

#include <new>

namespace wimblet {

void frmNotepad::mnuNew_Click()
{
    m_document->New();
}

void frmNotepad::mnuOpen_Click()
{
    m_document->Open();
}

void frmNotepad::mnuSave_Click()
{
    m_document->Save();
}

void frmNotepad::mnuSaveAs_Click()
{
    m_document->SaveAs();
}

void frmNotepad::mnuExit_Click()
{
    m_document->Exit();
}

void frmNotepad::Form_QueryUnload(int &cancel, int)
{
    if (m_ended) {
        cancel = 0;
        return;
    }
    m_document->QueryUnload(cancel);
}

void frmNotepad::mnuAbout_Click()
{
    m_about->Show();
}

void frmNotepad::Toolbar1_ButtonClick(const QString &key)
{
    // Keys are compared whole and case-sensitively, in this order.
    const std::pair<const char *, void (frmNotepad::*)()> routes[] = {
        {"mnew", &frmNotepad::mnuNew_Click},       {"mopen", &frmNotepad::mnuOpen_Click},
        {"msave", &frmNotepad::mnuSave_Click},     {"mnormal", &frmNotepad::ConvertToNormalStyle},
        {"mcute", &frmNotepad::ConvertToCuteStyle}, {"mabout", &frmNotepad::mnuAbout_Click},
        {"mclose", &frmNotepad::mnuExit_Click},
    };
    for (const auto &[routeKey, operation] : routes) {
        if (key == QLatin1String(routeKey)) {
            (this->*operation)();
            return;
        }
    }
}

void frmNotepad::cgirly_Click()
{
    ConvertToCuteStyle();
}

void frmNotepad::cnormal_Click()
{
    ConvertToNormalStyle();
}

void frmNotepad::ConvertToCuteStyle()
{
    convertWith(&toCuteStyle, kDarkRed);
}

void frmNotepad::ConvertToNormalStyle()
{
    convertWith(&toNormalStyle, kWindowTextColour);
}

void frmNotepad::convertWith(QString (*convert)(const QString &), quint32 colour)
{
    // The result is computed in memory and written once, as one undoable edit.
    try {
        const QString before = txt->Text();
        txt->replaceTextUndoable(convert(before), &before);
    } catch (const std::bad_alloc &) {
        showMessage(QStringLiteral("There is not enough memory to convert the text. "
                                   "The text was left as it was."),
                    MsgBox::Critical);
        return;
    }
    txt->setForeColor(colour);
}

void frmNotepad::chooseAutoSaveInterval(MenuItem *item, int milliseconds)
{
    Timer1->setEnabled(false);
    for (MenuItem *other : {e15, e30, e1m})
        if (other != item)
            other->setChecked(false);
    m_document->SaveDocument();
    Timer1->setInterval(milliseconds);
    Timer1->setEnabled(true);
    item->setChecked(true);
}

void frmNotepad::e15_Click()
{
    chooseAutoSaveInterval(e15, 15000);
}

void frmNotepad::e30_Click()
{
    chooseAutoSaveInterval(e30, 30000);
}

void frmNotepad::e1m_Click()
{
    chooseAutoSaveInterval(e1m, 60000);
}

void frmNotepad::cstop_Click()
{
    Timer1->setEnabled(false);
    for (MenuItem *item : {e15, e30, e1m})
        item->setChecked(false);
}

void frmNotepad::Timer1_Timer()
{
    if (m_ownPrompts > 0)
        return;
    m_document->AutoSaveTick();
}

int frmNotepad::showMessage(const QString &prompt, int style)
{
    ++m_ownPrompts;
    const int answer = m_messageBox->show(prompt, style, DocumentCommands::kTitle);
    --m_ownPrompts;
    return answer;
}

void frmNotepad::endProgram()
{
    // Ending is final: nothing of the program runs after this decision.
    m_ended = true;
    Timer1->setEnabled(false);
    if (m_endProgram) {
        m_endProgram();
        return;
    }
    m_about->Unload();
    for (QWidget *window : QApplication::topLevelWidgets())
        window->hide();
    QCoreApplication::exit(0);
}

} // namespace wimblet
