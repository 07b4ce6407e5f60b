// TextView: the rows at the viewport's width, counted in idle time, and scrolling.
#include "textview/textview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QWheelEvent>

#include <climits>

namespace wimblet {

namespace {

// An idle slice counts stale rows for this long, looking at the clock every few rows
// (a row of one script costs a hundred times one of another): long enough that the event
// loop's turns cost little, short enough that a key typed meanwhile waits for nothing a
// user would see. While the user is at work (a key, the mouse, a resize lately), a slice
// is shorter, so that the next event waits less still.
constexpr qint64 kRecountSliceMs = 12;
constexpr qint64 kAtWorkSliceMs = 2;
constexpr qint64 kAtWorkMs = 500;

} // namespace

void TextView::relayout()
{
    // The caret after a full row is drawn in the margin: the row has the whole width.
    const qreal width = viewport()->width() - 2 * kMargin;
    if (!m_layout.setLineWidth(width))
        return;
    // The top row keeps its first offset, which now starts whichever row holds it.
    if (m_topOffset > 0) // the first row starts at 0 whatever the width
        m_topOffset = m_layout.rowAt(m_topOffset).start;
    scheduleRecount();
    updateScrollBar();
    viewport()->update();
}

void TextView::scheduleRecount()
{
    // A hidden view's width is not yet the one it will show at: counting waits for it.
    // A shown one counts once the change is painted, which no slice may hold up.
    if (!m_layout.exact() && isVisible() && !m_recount.isActive()) {
        m_recountAfterPaint = true;
        viewport()->update();
    }
}

void TextView::showEvent(QShowEvent *event)
{
    QAbstractScrollArea::showEvent(event);
    updateScrollBar();
    scheduleRecount();
}

void TextView::recountSlice()
{
    if (!isVisible()) {
        m_recount.stop();
        return;
    }
    const bool atWork = m_sinceInput.isValid() && m_sinceInput.elapsed() < kAtWorkMs;
    const bool more = m_layout.recountSome(INT64_MAX, QDeadlineTimer(atWork ? kAtWorkSliceMs : kRecountSliceMs));
    if (!more) {
        m_recount.stop();
        updateScrollBar();
        Q_EMIT rowsCounted();
        return;
    }
    updateScrollBar();
}

bool TextView::countRowsNow(qint64 chars, QDeadlineTimer deadline)
{
    return m_layout.exact() || !m_layout.recountSome(chars, deadline);
}

int TextView::rowsFitting(ViewRow from, int step, qreal *height)
{
    const qreal room = viewport()->height() - kMargin;
    const qreal least = std::max<qreal>(1, m_layout.rowHeight());
    qreal used = 0;
    int rows = 0;
    // Walked one row at a time, as far as the room goes: a page of rows is laid out.
    for (;;) {
        const qreal next = used + m_layout.heightOf(from);
        if (next > room)
            break;
        used = next;
        ++rows;
        const auto [row, walked] = m_layout.rowsFrom(from, step);
        if (walked == 0) {
            const int more = int((room - used) / least);
            rows += more;
            used += more * least;
            break;
        }
        from = row;
    }
    if (height)
        *height = used;
    return std::max(1, rows);
}

int TextView::visibleRows()
{
    return rowsFitting(m_layout.rowAt(m_topOffset), 1);
}

int TextView::rowsFittingAbove()
{
    const auto [above, walked] = m_layout.rowsFrom(m_layout.rowAt(m_topOffset), -1);
    return walked == 0 ? visibleRows() : rowsFitting(above, -1);
}

int TextView::lastPageRows()
{
    const ViewRow last = m_layout.exact() ? m_layout.row(m_layout.rowCount() - 1) : m_layout.rowAt(m_store.length());
    return rowsFitting(last, -1);
}

void TextView::updateScrollBar()
{
    // A hidden view's rows wait for the width and font it will show at.
    if (!isVisible())
        return;
    QScrollBar *bar = verticalScrollBar();
    // Until every paragraph is counted the bar shows the rows so far and a guess at the
    // rest, so that its thumb stands about where the view is in the text.
    const bool exact = m_layout.exact();
    const qint64 rows = exact ? m_layout.rowCount() : m_layout.estimatedRowCount();
    const qint64 top = exact ? topRow() : m_layout.estimatedRowOfOffset(m_topOffset);
    // Rows of the text's end are counted only once every paragraph is: till then the
    // top page's rows stand in for the last page's.
    const qint64 most = std::max<qint64>(0, rows - (exact ? lastPageRows() : visibleRows()));
    m_scrolling = true;
    // The bar counts in int; a longer text scrolls in its first 2^31 rows only.
    bar->setRange(0, int(std::min<qint64>(most, INT_MAX)));
    bar->setPageStep(visibleRows());
    bar->setValue(int(std::min<qint64>(top, INT_MAX)));
    m_scrolling = false;
}

void TextView::scrollContentsBy(int, int)
{
    if (m_scrolling)
        return;
    QScrollBar *bar = verticalScrollBar();
    const qint64 row = bar->value();
    if (m_layout.exact()) {
        m_topOffset = m_layout.row(row).start;
    } else if (row >= bar->maximum()) {
        // The end of a text still being counted: its last rows, counted backwards.
        m_topOffset = rowStartAbove(m_store.length(), lastPageRows() - 1);
    } else {
        // The bar's rows are partly guessed: it stands for a share of the text.
        const double share = double(row) / double(std::max<qint64>(1, m_layout.estimatedRowCount()));
        m_topOffset = m_layout.rowAt(qint64(share * double(m_store.length()))).start;
    }
    viewport()->update();
}

qint64 TextView::rowStartAbove(qint64 offset, int rows)
{
    return m_layout.rowsFrom(m_layout.rowAt(offset), -rows).first.start;
}

void TextView::scrollToRow(qint64 row)
{
    const qint64 most = std::max<qint64>(0, m_layout.rowCount() - lastPageRows());
    m_topOffset = m_layout.row(std::clamp<qint64>(row, 0, most)).start;
    updateScrollBar();
    viewport()->update();
}

void TextView::scrollByRows(qint64 rows)
{
    if (m_layout.exact())
        return scrollToRow(topRow() + rows);
    // Stale paragraphs count no rows yet: the rows are walked one at a time, each
    // paragraph counted only as far as the walk reaches.
    m_topOffset = m_layout.rowsFrom(m_layout.rowAt(m_topOffset), rows).first.start;
    updateScrollBar();
    viewport()->update();
}

void TextView::ensureCaretVisible()
{
    ensureOffsetVisible(m_caret);
}

void TextView::ensureOffsetVisible(qint64 offset)
{
    offset = std::clamp<qint64>(offset, 0, m_store.length());
    if (offset < m_topOffset) {
        m_topOffset = m_layout.rowAt(offset).start;
        updateScrollBar();
        viewport()->update();
        return;
    }
    // Told by walking the rows on screen, not by row numbers: while rows are counted
    // (after a whole-text replace, say), stale paragraphs between the top and the
    // offset count no rows, and a far offset's row would seem near.
    const int rows = visibleRows();
    const auto [below, walked] = m_layout.rowsFrom(m_layout.rowAt(m_topOffset), rows);
    if (walked < rows || offset < below.start)
        return;
    // The offset's row at the bottom, under as many rows as fit above it.
    const ViewRow row = m_layout.rowAt(offset);
    m_topOffset = m_layout.rowsFrom(row, 1 - rowsFitting(row, -1)).first.start;
    updateScrollBar();
    viewport()->update();
}

void TextView::resizeEvent(QResizeEvent *event)
{
    m_sinceInput.start();
    QAbstractScrollArea::resizeEvent(event);
    relayout();
    updateScrollBar();
}

void TextView::wheelEvent(QWheelEvent *event)
{
    m_sinceInput.start();
    // The editor has one font size, so Ctrl with the wheel does nothing (it zooms
    // elsewhere, and scrolling instead would surprise).
    if (event->modifiers() & Qt::ControlModifier) {
        event->accept();
        return;
    }
    const qreal height = std::max<qreal>(1, m_layout.rowHeight());
    if (!event->pixelDelta().isNull())
        m_wheelRest -= event->pixelDelta().y() / height;
    else
        m_wheelRest -= event->angleDelta().y() / 120.0 * QApplication::wheelScrollLines();
    const qint64 rows = qint64(m_wheelRest); // whole rows; the rest waits for more turning
    m_wheelRest -= qreal(rows);
    scrollByRows(rows);
    event->accept();
}

} // namespace wimblet
