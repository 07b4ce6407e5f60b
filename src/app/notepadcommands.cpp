#include "app/notepadcommands.h"

#include "about/aboutdialog.h"
#include "about/frmAbout.h"
#include "convert/styleconversion.h"
#include "document/memoryroom.h"
#include "textbox/textbox.h"
#include "toolkit/colour.h"
#include "toolkit/form.h"
#include "toolkit/menuitem.h"
#include "toolkit/timer.h"

#include <QApplication>

#include <new>

namespace wimblet {

namespace {

constexpr int kErrorStyle = MsgBox::OKOnly + MsgBox::Critical;

QString notEnoughMemoryToConvert(quint64 need, const MemoryRoom &room)
{
    return QStringLiteral("There is not enough memory to convert the text: it would take about"
                          " %1, and only %2 is free. The text was left as it was.")
            .arg(memorySizeText(need), memorySizeText(freeMemory(room).value_or(0)));
}

} // namespace

NotepadCommands::NotepadCommands(CommandTargets targets, CommonDialog &fileDialog,
                                 MessageBoxService &boxes, DialogGuard &guard,
                                 std::function<void()> endProgram)
    : m_targets(targets)
    , m_boxes(boxes)
    , m_guard(guard)
    , m_endProgram(std::move(endProgram))
    , m_document(*this, fileDialog, boxes, guard)
    , m_about(std::make_unique<AboutDialog>())
{
}

NotepadCommands::~NotepadCommands()
{
    m_about->Unload();
}

void NotepadCommands::ConvertToCuteStyle()
{
    convertWith(&toCuteStyle, kDarkRed);
}

void NotepadCommands::ConvertToNormalStyle()
{
    convertWith(&toNormalStyle, kWindowTextColour);
}

void NotepadCommands::convertWith(QString (*convert)(const QString &), quint32 colour)
{
    // The result is computed in memory and written once, as one undoable edit. It is
    // not begun without room for it: memory that runs out part way, caught or not,
    // can leave too little for the window to go on.
    const TextShape shape{quint64(m_targets.txt.length()),
                          quint64(m_targets.txt.store().lineCount() - 1)};
    const quint64 need = memoryToConvert(shape);
    if (const MemoryRoom room = currentMemoryRoom(); !fitsInMemory(need, room)) {
        m_guard.msgBox(m_boxes, notEnoughMemoryToConvert(need, room), kErrorStyle,
                       DocumentCommands::kTitle);
        return;
    }
    try {
        const QString before = m_targets.txt.Text();
        m_targets.txt.replaceTextUndoable(convert(before), &before);
    } catch (const std::bad_alloc &) {
        m_guard.msgBox(m_boxes,
                       QStringLiteral("There is not enough memory to convert the text. "
                                      "The text was left as it was."),
                       kErrorStyle, DocumentCommands::kTitle);
        return;
    }
    m_targets.txt.setForeColor(colour);
}

void NotepadCommands::chooseAutoSaveInterval(MenuItem &item, int milliseconds)
{
    m_targets.Timer1.setEnabled(false);
    for (MenuItem *other : {&m_targets.e15, &m_targets.e30, &m_targets.e1m})
        if (other != &item)
            other->setChecked(false);
    m_document.SaveDocument();
    m_targets.Timer1.setInterval(milliseconds);
    m_targets.Timer1.setEnabled(true);
    item.setChecked(true);
}

void NotepadCommands::stopAutoSave()
{
    m_targets.Timer1.setEnabled(false);
    for (MenuItem *item : {&m_targets.e15, &m_targets.e30, &m_targets.e1m})
        item->setChecked(false);
}

void NotepadCommands::showAbout()
{
    m_about->Show();
}

void NotepadCommands::queryUnload(int &cancel)
{
    if (m_ended) {
        cancel = 0;
        return;
    }
    m_document.QueryUnload(cancel);
}

QString NotepadCommands::text() const
{
    return m_targets.txt.Text();
}

void NotepadCommands::setText(const QString &text)
{
    m_targets.txt.setText(text);
}

PieceSource NotepadCommands::textPieces() const
{
    return [this](const PieceSink &sink) { m_targets.txt.forEachPiece(sink); };
}

void NotepadCommands::markSaved()
{
    m_targets.txt.markSaved();
}

bool NotepadCommands::matchesSaved() const
{
    return m_targets.txt.matchesSaved();
}

QString NotepadCommands::savedText() const
{
    return m_targets.txt.savedText();
}

void NotepadCommands::setCaption(const QString &caption)
{
    m_targets.window.setCaption(caption);
}

void NotepadCommands::unloadAbout()
{
    m_about->Unload();
}

void NotepadCommands::endProgram()
{
    // Ending is final: nothing of the program runs after this decision.
    m_ended = true;
    m_targets.Timer1.setEnabled(false);
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
