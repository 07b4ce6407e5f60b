// The view's mouse, context menu and clipboard.
#include "textview/textview.h"

#include "textview/selectionmime.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyleHints>

#include <algorithm>

namespace wimblet {

namespace {

// The drag's autoscroll keeps the text box's pace: a row every 4900/d² ms with the
// pointer d px past the edge (d at least 7), from a row in 100 ms near the edge to as
// fast as the machine goes. Here a tick comes at most every kAutoScrollTickMs and takes
// the rows the box's steps would in that time, kAutoScrollMostRows at most, about the
// box's top speed: a tick never costs more than a few rows' work and a repaint.
constexpr int kAutoScrollTickMs = 5;
constexpr int kAutoScrollMostRows = 10;

struct AutoScrollPace
{
    int intervalMs = 0;
    int rows = 0;
};

AutoScrollPace autoScrollPace(int distance)
{
    const double d = std::max(distance, 7);
    const int interval = std::clamp(int(4900 / (d * d)), kAutoScrollTickMs, 100);
    return {interval, std::clamp(qRound(d * d * interval / 4900), 1, kAutoScrollMostRows)};
}

QString textOf(const QMimeData *data)
{
    // The characters as they come: a lone LF or a separator stays itself.
    return data && data->hasText() ? data->text() : QString();
}

// Keys the view handles itself while it has the focus: editing shortcuts, and text
// typed without Ctrl, Alt or Meta (Alt+letter stays the menus').
bool ownsShortcut(const QKeyEvent &key)
{
    for (QKeySequence::StandardKey k : {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste,
                                        QKeySequence::Undo, QKeySequence::Redo, QKeySequence::SelectAll})
        if (key.matches(k))
            return true;
    // Redo's other keys and the menu's Shift+F10, which a desktop's key scheme may leave out.
    const QKeyCombination combination(key.modifiers() & ~Qt::KeypadModifier, Qt::Key(key.key()));
    for (QKeyCombination k :
         {Qt::CTRL | Qt::Key_Y, Qt::CTRL | Qt::SHIFT | Qt::Key_Z, Qt::SHIFT | Qt::Key_F10})
        if (combination == k)
            return true;
    const Qt::KeyboardModifiers plain = Qt::ShiftModifier | Qt::KeypadModifier | Qt::GroupSwitchModifier;
    return !key.text().isEmpty() && !(key.modifiers() & ~plain);
}

} // namespace

qint64 TextView::offsetAtPoint(QPoint point)
{
    // The rows are walked from the top, each paragraph counted as far as they reach, each
    // as tall as it is; above the top row or below the viewport, rows are reckoned in the
    // font's own height, with none between laid out.
    const qreal least = std::max<qreal>(1, m_layout.rowHeight());
    ViewRow row = m_layout.rowAt(m_topOffset);
    qreal top = kMargin;
    while (point.y() >= top && top <= viewport()->height()) {
        const qreal bottom = top + m_layout.heightOf(row);
        if (point.y() < bottom)
            return m_layout.offsetAt(row, point.x() - kMargin);
        const auto [next, walked] = m_layout.rowsFrom(row, 1);
        if (walked < 1)
            return m_store.length(); // below the last row
        row = next;
        top = bottom;
    }
    const qint64 down = qint64(std::floor((point.y() - top) / least));
    const auto [far, walked] = m_layout.rowsFrom(row, down);
    if (walked < down)
        return m_store.length(); // below the last row
    if (walked > down)
        return 0; // above the first
    return m_layout.offsetAt(far, point.x() - kMargin);
}

void TextView::extendMouseSelection(qint64 offset)
{
    switch (m_unit) {
    case Unit::Char:
        setSelection(m_anchor, offset);
        return;
    case Unit::Word: {
        const Span word = wordAround(m_store, offset);
        if (offset < m_unitAnchor.from)
            setSelection(m_unitAnchor.to, word.from);
        else
            setSelection(m_unitAnchor.from, std::max(word.to, m_unitAnchor.to));
        return;
    }
    case Unit::Paragraph:
        // As the text box: whole paragraphs with their CR LFs, the first one kept while
        // the pointer is on it or at the next one's start.
        if (offset < m_unitAnchor.from)
            setSelection(m_unitAnchor.to, paragraphAround(m_store, offset).from);
        else if (offset <= m_unitAnchor.to)
            setSelection(m_unitAnchor.from, m_unitAnchor.to);
        else
            setSelection(m_unitAnchor.from, paragraphAndBreak(m_store, offset).to);
        return;
    }
}

void TextView::mousePressEvent(QMouseEvent *event)
{
    m_sinceInput.start();
    const qint64 offset = offsetAtPoint(event->position().toPoint());
    m_undo.closeStep();
    m_goalX = -1;
    if (event->button() == Qt::MiddleButton) {
        QClipboard *clipboard = QGuiApplication::clipboard();
        if (clipboard->supportsSelection()) {
            setCaret(offset);
            insertFromMime(clipboard->mimeData(QClipboard::Selection));
        }
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    const bool tripleClick = m_sinceDoubleClick.isValid()
                             && m_sinceDoubleClick.elapsed() < QApplication::doubleClickInterval()
                             && (event->position().toPoint() - m_doubleClickPoint).manhattanLength()
                                    < QApplication::startDragDistance();
    m_sinceDoubleClick.invalidate();
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    if (!tripleClick && !shift && hasSelection() && offset > selectionStart()
        && offset < selectionEnd()) {
        // Pressed on the selection: a move drags it, a release places the caret.
        m_mayDrag = true;
        m_pressPoint = event->position().toPoint();
        return;
    }
    m_dragging = true;
    if (tripleClick) {
        m_unit = Unit::Paragraph;
        m_unitAnchor = paragraphAndBreak(m_store, offset);
        setSelection(m_unitAnchor.from, m_unitAnchor.to);
    } else {
        m_unit = Unit::Char;
        setSelection(shift ? m_anchor : offset, offset);
    }
}

void TextView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_unit = Unit::Word;
    m_unitAnchor = wordAround(m_store, offsetAtPoint(event->position().toPoint()));
    setSelection(m_unitAnchor.from, m_unitAnchor.to);
    m_dragging = true;
    m_sinceDoubleClick.start();
    m_doubleClickPoint = event->position().toPoint();
}

void TextView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_mayDrag && (event->buttons() & Qt::LeftButton)
        && (event->position().toPoint() - m_pressPoint).manhattanLength()
               >= QApplication::startDragDistance()) {
        startDrag();
        return;
    }
    if (!m_dragging || !(event->buttons() & Qt::LeftButton))
        return;
    m_lastMouse = event->position().toPoint();
    const QRect inside = viewport()->rect();
    if (m_lastMouse.y() >= inside.top() && m_lastMouse.y() <= inside.bottom())
        m_autoScroll.stop();
    else if (!m_autoScroll.isActive()) // its ticks set their own pace
        m_autoScroll.start(autoScrollPace(0).intervalMs, this);
    extendMouseSelection(offsetAtPoint(m_lastMouse));
}

void TextView::autoScroll()
{
    const QRect inside = viewport()->rect();
    const int above = inside.top() - m_lastMouse.y();
    const int below = m_lastMouse.y() - inside.bottom();
    if (above <= 0 && below <= 0)
        return m_autoScroll.stop();
    const AutoScrollPace pace = autoScrollPace(std::max(above, below));
    m_autoScroll.start(pace.intervalMs, this);
    scrollByRows(above > 0 ? -pace.rows : pace.rows);
    // The selection reaches the first or last whole row shown: a row partly shown would
    // scroll the view once more to show the caret.
    qreal page = 0;
    rowsFitting(m_layout.rowAt(m_topOffset), 1, &page);
    const int lastY = kMargin + int(page) - 1;
    const QPoint clamped(m_lastMouse.x(), std::clamp(m_lastMouse.y(), kMargin, lastY));
    extendMouseSelection(offsetAtPoint(clamped));
}

void TextView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_mayDrag) {
        m_mayDrag = false;
        setCaret(offsetAtPoint(event->position().toPoint()));
    }
    m_dragging = false;
    m_autoScroll.stop();
    if (hasSelection())
        setPrimarySelection();
    Q_EMIT clicked();
}

void TextView::setPrimarySelection() const
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection())
        clipboard->setMimeData(new SelectionMime(m_store, selectionStart(), selectionEnd()),
                               QClipboard::Selection);
}

void TextView::copy() const
{
    if (hasSelection())
        QGuiApplication::clipboard()->setMimeData(
            new SelectionMime(m_store, selectionStart(), selectionEnd()));
}

void TextView::cut()
{
    if (!hasSelection())
        return;
    copy();
    deleteSelection();
}

void TextView::paste()
{
    insertFromMime(QGuiApplication::clipboard()->mimeData());
}

void TextView::insertFromMime(const QMimeData *data)
{
    // Read before anything changes: the data may be this view's own selection.
    const QString text = textOf(data);
    if (!text.isEmpty())
        insertTyped(text, EditStep::Kind::Other);
}

QMenu *TextView::createContextMenu()
{
    auto *menu = new QMenu(this);
    // Each item shows its key, as the text box's menu does.
    const auto add = [&](const QString &name, QKeySequence::StandardKey key, bool enabled, auto slot) {
        const QString shortcut = QKeySequence(key).toString(QKeySequence::NativeText);
        QAction *action
            = menu->addAction(shortcut.isEmpty() ? name : name + u'\t' + shortcut, this, slot);
        action->setEnabled(enabled);
    };
    const QMimeData *clip = QGuiApplication::clipboard()->mimeData();
    add(tr("&Undo"), QKeySequence::Undo, canUndo(), &TextView::undo);
    add(tr("&Redo"), QKeySequence::Redo, canRedo(), &TextView::redo);
    menu->addSeparator();
    add(tr("Cu&t"), QKeySequence::Cut, hasSelection(), &TextView::cut);
    add(tr("&Copy"), QKeySequence::Copy, hasSelection(), &TextView::copy);
    add(tr("&Paste"), QKeySequence::Paste, clip && clip->hasText() && !clip->text().isEmpty(),
        &TextView::paste);
    add(tr("Delete"), QKeySequence::UnknownKey, hasSelection(), &TextView::deleteSelection);
    menu->addSeparator();
    add(tr("Select All"), QKeySequence::SelectAll, m_store.length() > 0, &TextView::selectAll);
    return menu;
}

void TextView::contextMenuEvent(QContextMenuEvent *event)
{
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        // From the keyboard the menu opens at the caret, scrolled into view first.
        ensureCaretVisible();
        at = viewport()->mapToGlobal(caretRect().center());
    }
    QMenu *menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(at);
}

bool TextView::handleMenuKey(QKeyEvent *event)
{
    // Shift+F10 opens the menu as the Menu key does; the platform turns only the latter
    // into a context menu event.
    if (event->key() != Qt::Key_F10 || (event->modifiers() & ~Qt::KeypadModifier) != Qt::ShiftModifier)
        return false;
    const QPoint caret = viewport()->mapTo(this, caretRect().center());
    QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, caret, mapToGlobal(caret),
                                event->modifiers());
    contextMenuEvent(&menuEvent);
    return true;
}

bool TextView::event(QEvent *event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::InputMethod)
        m_sinceInput.start();
    if (event->type() == QEvent::ShortcutOverride && ownsShortcut(*static_cast<QKeyEvent *>(event))) {
        event->accept(); // the view's own keys win over the window's shortcuts
        return true;
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Tab
        && !(static_cast<QKeyEvent *>(event)->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        keyPressEvent(static_cast<QKeyEvent *>(event)); // a tab is text, not a focus move
        return true;
    }
    return QAbstractScrollArea::event(event);
}

} // namespace wimblet
