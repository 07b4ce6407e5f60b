#include "textbox/textbox.h"

#include "toolkit/colour.h"

#include <QApplication>
#include <QResizeEvent>
#include <QScopedValueRollback>

namespace wimblet {

namespace {

// The shift mask of a key event: 1 Shift, 2 Ctrl, 4 Alt.
int shiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
           | (modifiers & Qt::AltModifier ? 4 : 0);
}

} // namespace

TextBox::TextBox(QWidget *parent)
    : TextView(parent)
    , m_foreColor(kWindowTextColour)
    , m_ownLines(this)
    , m_lines(&m_ownLines)
{
    applyForeColor();
    connect(this, &TextView::textChanged, this, [this] {
        if (!m_holdChange)
            Q_EMIT Change();
    });
    connect(this, &TextView::clicked, this, &TextBox::Click);
    connect(this, &TextView::rowsCounted, this, [this] {
        // Only figures that were shown as they stood so far need a second look.
        if (m_ownLines.takeGuessed())
            Q_EMIT LinesCounted();
    });
    connect(this, &TextView::keyReleased, this, [this](int key, Qt::KeyboardModifiers modifiers) {
        Q_EMIT KeyUp(key, shiftState(modifiers));
    });
}

void TextBox::setText(const QString &text)
{
    // An unchanged text keeps the caret, the selection and the undo history.
    if (store().length() == text.size() && text == Text())
        return;
    TextView::setText(text);
}

void TextBox::replaceTextUndoable(const QString &text, const QString *current)
{
    if (current ? text == *current : text == Text())
        return;
    // Change is raised once the caret is at the start, as after a whole-text write, so
    // that its handlers read the caret where it will stay.
    {
        // Held only while replacing: memory running out leaves the text and Change as they were.
        const QScopedValueRollback<bool> hold(m_holdChange, true);
        if (current)
            replaceAll(text, *current);
        else
            replaceRange(0, length(), text);
        setCaret(0);
    }
    Q_EMIT Change();
}

void TextBox::setForeColor(quint32 colour)
{
    m_foreColor = colour;
    applyForeColor();
}

void TextBox::applyForeColor()
{
    QPalette pal = palette();
    const QColor text = resolveColour(m_foreColor, QApplication::palette(this));
    pal.setColor(QPalette::Text, text);
    // The selection is hidden while the box does not have the focus.
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Base));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, text);
    setPalette(pal);
    TextView::setForeColor(text);
}

void TextBox::SetFocus()
{
    setFocus(Qt::OtherFocusReason);
}

void TextBox::setLineQueries(LineQueries *queries)
{
    m_lines = queries ? queries : &m_ownLines;
}

void TextBox::resizeEvent(QResizeEvent *event)
{
    TextView::resizeEvent(event);
    if (event->size().width() != event->oldSize().width())
        m_ownLines.forgetGuesses(); // a resize never changes the status panels
}

void TextBox::changeEvent(QEvent *event)
{
    TextView::changeEvent(event);
    // System colours follow the desktop's palette when it changes.
    if (event->type() == QEvent::ApplicationPaletteChange && (m_foreColor & kSystemColourFlag))
        applyForeColor();
}

} // namespace wimblet
