// The view's input methods and drag and drop.
#include "textview/textview.h"

#include "textview/selectionmime.h"

#include <QApplication>
#include <QDrag>
#include <QInputMethodEvent>
#include <QMimeData>

namespace wimblet {

namespace {

// Text an input method may read around the caret, either side.
constexpr qint64 kSurroundingUnits = 512;

} // namespace

Span TextView::surroundingWindow() const
{
    const Span paragraph = paragraphAround(m_store, m_caret);
    qint64 from = std::max(paragraph.from, m_caret - kSurroundingUnits);
    qint64 to = std::min(paragraph.to, m_caret + kSurroundingUnits);
    return {caretPlace(m_store, from), caretPlace(m_store, to)};
}

QVariant TextView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const Span window = surroundingWindow();
    const auto local = [&](qint64 offset) {
        return int(std::clamp(offset, window.from, window.to) - window.from);
    };
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        return m_caretRect.translated(viewport()->pos());
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return local(m_caret);
    case Qt::ImAnchorPosition:
        return local(m_anchor);
    case Qt::ImSurroundingText:
        return m_store.text(window.from, window.to - window.from);
    case Qt::ImCurrentSelection:
        return hasSelection()
                   ? m_store.text(selectionStart(),
                                  std::min<qint64>(selectionEnd() - selectionStart(), kSurroundingUnits))
                   : QString();
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void TextView::inputMethodEvent(QInputMethodEvent *event)
{
    QString commit = event->commitString();
    if (!commit.isEmpty() || event->replacementLength() > 0) {
        // A committed line separator would look like a line break without being one.
        commit.replace(QChar::LineSeparator, QLatin1String("\r\n"));
        qint64 from = selectionStart();
        qint64 to = selectionEnd();
        if (event->replacementLength() > 0 && !hasSelection()) {
            from = caretPlace(m_store, m_caret + event->replacementStart());
            to = caretPlace(m_store, from + event->replacementLength());
        }
        applyEdit(from, to - from, commit, EditStep::Kind::Typing);
    }
    m_preedit = event->preeditString();
    m_preeditCursor = -1;
    for (const QInputMethodEvent::Attribute &a : event->attributes())
        if (a.type == QInputMethodEvent::Cursor)
            m_preeditCursor = a.length > 0 ? a.start : -1;
    m_tellInputMethod = hasFocus();
    viewport()->update();
    event->accept();
}

void TextView::startDrag()
{
    m_mayDrag = false;
    m_droppedHere = false;
    auto *drag = new QDrag(this);
    drag->setMimeData(new SelectionMime(m_store, selectionStart(), selectionEnd()));
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    if (action == Qt::MoveAction && !m_droppedHere)
        deleteSelection();
}

void TextView::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasText())
        event->acceptProposedAction();
}

void TextView::dragMoveEvent(QDragMoveEvent *event)
{
    if (!event->mimeData()->hasText())
        return event->ignore();
    showDropOffset(caretPlace(m_store, offsetAtPoint(event->position().toPoint())));
    event->acceptProposedAction();
}

void TextView::dragLeaveEvent(QDragLeaveEvent *)
{
    showDropOffset(-1);
}

void TextView::showDropOffset(qint64 offset)
{
    if (offset == m_dropOffset)
        return;
    viewport()->update(m_caretRect);
    m_dropOffset = offset;
    m_caretRect = caretRect();
    viewport()->update(m_caretRect);
}

void TextView::dropEvent(QDropEvent *event)
{
    showDropOffset(-1);
    const QString text = event->mimeData()->text();
    qint64 at = caretPlace(m_store, offsetAtPoint(event->position().toPoint()));
    const bool moveHere = event->source() == this && event->dropAction() == Qt::MoveAction;
    if (text.isEmpty() || (moveHere && at >= selectionStart() && at <= selectionEnd()))
        return event->ignore();
    if (moveHere) {
        // The view moves its own text: the source must not delete it once more.
        const qint64 from = selectionStart();
        const qint64 count = selectionEnd() - from;
        applyEdit(from, count, QString(), EditStep::Kind::Other, Pairing::Opens);
        if (at > from)
            at -= count;
        m_droppedHere = true;
    }
    setFocus(Qt::MouseFocusReason);
    setCaret(at);
    applyEdit(at, 0, text, EditStep::Kind::Other, moveHere ? Pairing::Closes : Pairing::Alone);
    setSelection(at, at + text.size());
    event->acceptProposedAction();
}

} // namespace wimblet
