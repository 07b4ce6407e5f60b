// The view's edits and caret moves: typing, deleting, undo, and the moving keys.
#include "textview/textview.h"

#include "textview/textviewaccessible.h"

#include <QApplication>
#include <QKeyEvent>

namespace wimblet {

namespace {

constexpr Qt::KeyboardModifiers kWordModifier = Qt::ControlModifier;

// Text a key types into the view: printable characters, no Ctrl shortcut.
bool typesText(const QKeyEvent &event)
{
    const QString text = event.text();
    if (text.isEmpty())
        return false;
    const Qt::KeyboardModifiers mods = event.modifiers();
    if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier))
        return false;
    for (QChar c : text)
        if (c != u'\t' && c != QChar::LineSeparator && (c.category() == QChar::Other_Control))
            return false;
    return true;
}

// Typed text as the text holds it: a typed line separator is the CR LF Enter makes.
QString typedAsText(QString text)
{
    text.replace(QChar::LineSeparator, QLatin1String("\r\n"));
    return text;
}

// Ctrl+Y and Ctrl+Shift+Z redo whatever the desktop's key scheme binds to Redo: GNOME's
// and plain X11's leave Ctrl+Y out.
bool isRedoKey(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers mods = event.modifiers() & ~Qt::KeypadModifier;
    return (event.key() == Qt::Key_Y && mods == Qt::ControlModifier)
           || (event.key() == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier));
}

bool isNewLineKey(const QKeyEvent &event)
{
    const int key = event.key();
    const Qt::KeyboardModifiers others = event.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    return (key == Qt::Key_Return || key == Qt::Key_Enter) && others == Qt::NoModifier;
}

} // namespace

void TextView::applyEdit(qint64 offset, qint64 removed, const QString &inserted, EditStep::Kind kind,
                         Pairing pairing, const QString *removedText)
{
    EditStep step;
    step.kind = kind;
    step.offset = offset;
    step.removed = removedText ? *removedText : m_store.text(offset, removed);
    step.inserted = inserted;
    step.caretBefore = m_caret;
    step.anchorBefore = m_anchor;
    step.caretAfter = offset + inserted.size();
    changeText(step.offset, step.removed, step.inserted);
    // Recorded before anyone is told, so that a slot told of the change finds it undoable.
    m_undo.push(step, pairing == Pairing::Closes);
    showStep(step, true, pairing != Pairing::Opens);
}

bool TextView::applySteps(const std::vector<EditStep> &steps, bool forward)
{
    // Each edit of a step changes the text; the step is announced once, at its end.
    for (size_t i = 0; i < steps.size(); ++i) {
        const EditStep &step = forward ? steps[i] : steps[steps.size() - 1 - i];
        try {
            changeText(step.offset, forward ? step.removed : step.inserted,
                       forward ? step.inserted : step.removed);
        } catch (const std::bad_alloc &) {
            // Only a whole text replaced needs much memory, and it stands alone in its
            // step: the text is as it was.
            return false;
        }
        showStep(step, forward, i + 1 == steps.size());
    }
    return true;
}

void TextView::changeText(qint64 offset, const QString &out, const QString &in)
{
    if (offset == 0 && out.size() == m_store.length() && !in.isEmpty()) {
        // A whole text replaced (a style conversion or its undo): the store takes the
        // new text as it is, and its paragraphs are found afresh, both made beside the
        // old text first, which stays when memory runs out.
        TextStore next(in);
        m_layout.reset(next);
        m_store = std::move(next);
    } else {
        m_store.replace(offset, out.size(), in);
        m_layout.edit(offset, out.size(), in.size());
    }
}

void TextView::showStep(const EditStep &step, bool forward, bool announce)
{
    const QString &out = forward ? step.removed : step.inserted;
    const QString &in = forward ? step.inserted : step.removed;
    scheduleRecount(); // a large edit leaves rows to count in idle time
    announceEdit(this, step.offset, out, in);
    // The top row keeps its place in the text, shifted by the edit.
    if (m_topOffset > step.offset)
        m_topOffset = m_topOffset >= step.offset + out.size() ? m_topOffset + in.size() - out.size()
                                                              : step.offset;
    m_topOffset = m_layout.rowAt(std::min(m_topOffset, m_store.length())).start;
    // Moved below, whatever they were; a selection there was still counts as one, so
    // that its end is told.
    m_caret = hasSelection() ? -2 : -1;
    m_anchor = -1;
    m_goalX = -1;
    updateScrollBar();
    viewport()->update();
    if (forward)
        setSelection(step.caretAfter, step.caretAfter);
    else
        setSelection(step.anchorBefore, step.caretBefore);
    if (announce)
        Q_EMIT textChanged();
}

void TextView::replaceAll(const QString &text, const QString &current)
{
    if (current.size() != m_store.length())
        return replaceRange(0, m_store.length(), text);
    applyEdit(0, current.size(), text, EditStep::Kind::Other, Pairing::Alone, &current);
}

void TextView::replaceRange(qint64 from, qint64 count, const QString &text)
{
    from = std::clamp<qint64>(from, 0, m_store.length());
    count = std::clamp<qint64>(count, 0, m_store.length() - from);
    if (count == 0 && text.isEmpty())
        return;
    applyEdit(from, count, text, EditStep::Kind::Other);
}

void TextView::insertTyped(const QString &typed, EditStep::Kind kind)
{
    applyEdit(selectionStart(), selectionEnd() - selectionStart(), typed, kind);
}

void TextView::deleteSelection()
{
    if (hasSelection())
        applyEdit(selectionStart(), selectionEnd() - selectionStart(), QString(), EditStep::Kind::Other);
}

void TextView::deleteBackward(bool word)
{
    if (hasSelection())
        return deleteSelection();
    const qint64 from = word ? previousWordStart(m_store, m_caret) : backspaceStart(m_store, m_caret);
    if (from < m_caret)
        applyEdit(from, m_caret - from, QString(), EditStep::Kind::BackspaceKey);
}

void TextView::deleteForward(bool word)
{
    if (hasSelection())
        return deleteSelection();
    const qint64 to = word ? nextWordStart(m_store, m_caret) : nextGrapheme(m_store, m_caret);
    if (to > m_caret)
        applyEdit(m_caret, to - m_caret, QString(), EditStep::Kind::DeleteKey);
}

void TextView::undo()
{
    if (!m_undo.canUndo())
        return;
    if (!applySteps(m_undo.takeUndo(), false)) {
        m_undo.takeRedo(); // not undone after all: memory ran out
        QApplication::beep();
    }
}

void TextView::redo()
{
    if (!m_undo.canRedo())
        return;
    if (!applySteps(m_undo.takeRedo(), true)) {
        m_undo.takeUndo();
        QApplication::beep();
    }
}

void TextView::moveTo(qint64 offset, bool select, bool keepGoalX)
{
    const qreal goalX = m_goalX;
    m_undo.closeStep();
    setSelection(select ? m_anchor : offset, offset);
    m_goalX = keepGoalX ? goalX : -1;
    if (select)
        setPrimarySelection();
}

void TextView::moveVertically(qint64 rows, bool select)
{
    const ViewRow row = m_layout.rowAt(m_caret);
    if (m_goalX < 0)
        m_goalX = m_layout.xOf(row, m_caret);
    const auto [target, walked] = m_layout.rowsFrom(row, rows);
    if (walked != rows)
        return moveTo(rows < 0 ? 0 : m_store.length(), select, true);
    moveTo(m_layout.offsetAt(target, m_goalX), select, true);
}

bool TextView::handleMoveKey(QKeyEvent *event)
{
    const bool select = event->modifiers() & Qt::ShiftModifier;
    const bool word = event->modifiers() & kWordModifier;
    int key = event->key();
    // The arrows move through the text as the paragraph reads: in a right-to-left
    // paragraph Right goes back, as in Qt's and other toolkits' text boxes.
    if ((key == Qt::Key_Left || key == Qt::Key_Right) && m_layout.directionAt(m_caret) == Qt::RightToLeft)
        key = key == Qt::Key_Left ? Qt::Key_Right : Qt::Key_Left;
    switch (key) {
    case Qt::Key_Left:
        if (hasSelection() && !select && !word)
            moveTo(selectionStart(), false);
        else
            moveTo(word ? previousWordStart(m_store, m_caret) : previousGrapheme(m_store, m_caret),
                   select);
        return true;
    case Qt::Key_Right:
        if (hasSelection() && !select && !word)
            moveTo(selectionEnd(), false);
        else
            moveTo(word ? nextWordStart(m_store, m_caret) : nextGrapheme(m_store, m_caret), select);
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (word)
            return false;
        moveVertically(event->key() == Qt::Key_Up ? -1 : 1, select);
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const qint64 page = event->key() == Qt::Key_PageUp ? -rowsFittingAbove() : visibleRows();
        scrollByRows(page); // the caret keeps its place on the screen
        moveVertically(page, select);
        return true;
    }
    case Qt::Key_Home:
        moveTo(word ? 0 : m_layout.rowAt(m_caret).start, select);
        return true;
    case Qt::Key_End: {
        if (word)
            return moveTo(m_store.length(), select), true;
        // A wrapped row's end is the next row's start: stay before its hanging blank.
        moveTo(m_layout.lastOffsetOf(m_layout.rowAt(m_caret)), select);
        return true;
    }
    default:
        return false;
    }
}

bool TextView::handleEditKey(QKeyEvent *event)
{
    const bool word = event->modifiers() & kWordModifier;
    if (isNewLineKey(*event)) {
        insertTyped(QStringLiteral("\r\n"), EditStep::Kind::Other);
        return true;
    }
    switch (event->key()) {
    case Qt::Key_Backspace:
        deleteBackward(word);
        return true;
    case Qt::Key_Delete:
        if (event->modifiers() & Qt::ShiftModifier)
            return false; // cut
        deleteForward(word);
        return true;
    case Qt::Key_Tab:
        if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            return false;
        insertTyped(QStringLiteral("\t"));
        return true;
    default:
        break;
    }
    if (!typesText(*event))
        return false;
    // A typed line separator breaks the line as Enter does, and is undone apart as Enter is.
    const QString typed = typedAsText(event->text());
    insertTyped(typed, typed.contains(u'\r') ? EditStep::Kind::Other : EditStep::Kind::Typing);
    return true;
}

bool TextView::handleClipboardKey(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (event == QKeySequence::SelectAll) {
        selectAll();
    } else if (event == QKeySequence::Undo) {
        undo();
    } else if (event == QKeySequence::Redo || isRedoKey(*event)) {
        redo();
    } else if (event == QKeySequence::Copy
               || (event->key() == Qt::Key_Insert && mods == Qt::ControlModifier)) {
        copy();
    } else if (event == QKeySequence::Cut
               || (event->key() == Qt::Key_Delete && mods == Qt::ShiftModifier)) {
        cut();
    } else if (event == QKeySequence::Paste
               || (event->key() == Qt::Key_Insert && mods == Qt::ShiftModifier)) {
        paste();
    } else {
        return false;
    }
    return true;
}

void TextView::keyPressEvent(QKeyEvent *event)
{
    if (handleClipboardKey(event) || handleMoveKey(event) || handleEditKey(event)
        || handleMenuKey(event)) {
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void TextView::keyReleaseEvent(QKeyEvent *event)
{
    QAbstractScrollArea::keyReleaseEvent(event);
    if (!event->isAutoRepeat())
        Q_EMIT keyReleased(event->key(), event->modifiers());
}

} // namespace wimblet
