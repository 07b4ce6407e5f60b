#include "textview/textview.h"

#include "textview/textviewaccessible.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QInputMethod>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QWheelEvent>

#include <cmath>

namespace wimblet {

namespace {

// An idle slice counts stale rows this many characters at a time for about this long:
// long enough that the event loop's turns cost little, short enough that a key typed
// meanwhile waits for nothing a user would see.
constexpr qint64 kRecountStep = 64 * 1024;
constexpr qint64 kRecountSliceMs = 12;

// Whether the store holds `text`, read piece by piece rather than built whole.
bool holdsText(const TextStore &store, const QString &text)
{
    if (store.length() != text.size())
        return false;
    bool same = true;
    qsizetype at = 0;
    store.forEachPiece(0, store.length(), [&](QStringView piece) {
        same = same && piece == QStringView(text).mid(at, piece.size());
        at += piece.size();
    });
    return same;
}

} // namespace

TextView::TextView(QWidget *parent)
    : QAbstractScrollArea(parent)
    , m_layout(m_store)
    , m_foreColor(palette().color(QPalette::Text))
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    verticalScrollBar()->setSingleStep(1);
    m_recount.setInterval(0);
    connect(&m_recount, &QTimer::timeout, this, &TextView::recountSlice);
    m_layout.setFont(font());
    m_layout.setStandInColor(standInColor());
    relayout();
    installTextViewAccessibility();
}

TextView::~TextView() = default;

void TextView::setText(const QString &text)
{
    const bool same = holdsText(m_store, text);
    const qint64 oldLength = m_store.length();
    // What may run out of memory is made beside the old text first, which stays when it does.
    TextStore next(text);
    m_layout.reset(next);
    m_store = std::move(next);
    m_undo.clear();
    m_caret = m_anchor = 0;
    m_goalX = -1;
    m_topOffset = 0;
    scheduleRecount();
    updateScrollBar();
    viewport()->update();
    announceNewText(this, oldLength);
    announceCaret(this, 0, 0, 0, false);
    if (!same)
        Q_EMIT textChanged();
    Q_EMIT caretMoved();
}

void TextView::setForeColor(const QColor &colour)
{
    m_foreColor = colour;
    viewport()->update();
}

QString TextView::selectedText() const
{
    return m_store.text(selectionStart(), selectionEnd() - selectionStart());
}

void TextView::setSelection(qint64 anchor, qint64 caret)
{
    anchor = caretPlace(m_store, anchor);
    caret = caretPlace(m_store, caret);
    if (anchor == m_anchor && caret == m_caret)
        return;
    const bool repaintAll = hasSelection() || anchor != caret;
    const bool selectionChanged
        = repaintAll && std::minmax(anchor, caret) != std::minmax(m_anchor, m_caret);
    const QRect oldCaret = m_caretRect;
    m_anchor = anchor;
    if (caret != m_caret)
        m_goalX = -1; // a caret put anywhere but by Up and Down takes its own x (moveTo keeps it)
    m_caret = caret;
    ensureCaretVisible();
    // Where the caret now stands is worked out when its row is painted.
    if (repaintAll) {
        viewport()->update();
    } else {
        viewport()->update(oldCaret);
        viewport()->update(rowBand(m_caret));
    }
    restartBlink();
    m_tellInputMethod = hasFocus(); // once the caret's place is known, when painted
    announceCaret(this, m_caret, selectionStart(), selectionEnd(), selectionChanged);
    Q_EMIT caretMoved();
}

void TextView::selectAll()
{
    setSelection(0, m_store.length());
    setPrimarySelection();
}

qint64 TextView::rowCount()
{
    m_layout.finishCounting();
    return m_layout.rowCount();
}

qint64 TextView::rowOfOffset(qint64 offset)
{
    m_layout.finishCounting();
    return m_layout.rowOfOffset(offset);
}

qint64 TextView::rowStart(qint64 row)
{
    m_layout.finishCounting();
    if (row >= m_layout.rowCount())
        return m_store.length();
    return m_layout.row(row).start;
}

qint64 TextView::topRow()
{
    return m_layout.rowOfOffset(m_topOffset);
}

std::pair<qint64, qint64> TextView::rowSpanAt(qint64 offset)
{
    const ViewRow row = m_layout.rowAt(std::clamp<qint64>(offset, 0, m_store.length()));
    if (!row.endsParagraph)
        return {row.start, row.end};
    return {row.start, std::min(row.end + 2, m_store.length())};
}

void TextView::relayout()
{
    // The caret after a full row is drawn in the margin: the row has the whole width.
    const qreal width = viewport()->width() - 2 * kMargin;
    if (!m_layout.setLineWidth(width))
        return;
    // The top row keeps its first offset, which now starts whichever row holds it.
    m_topOffset = m_layout.rowAt(m_topOffset).start;
    m_recountAfterPaint = true; // the rows at the new width are shown first
    updateScrollBar();
    viewport()->update();
}

void TextView::scheduleRecount()
{
    // A hidden view's width is not yet the one it will show at: counting waits for it.
    if (!m_layout.exact() && isVisible())
        m_recount.start();
}

void TextView::showEvent(QShowEvent *event)
{
    QAbstractScrollArea::showEvent(event);
    m_recountAfterPaint = false;
    scheduleRecount();
}

void TextView::recountSlice()
{
    if (!isVisible()) {
        m_recount.stop();
        return;
    }
    QElapsedTimer spent;
    spent.start();
    bool more = m_layout.recountSome(kRecountStep);
    while (more && spent.elapsed() < kRecountSliceMs)
        more = m_layout.recountSome(kRecountStep);
    if (!more) {
        m_recount.stop();
        updateScrollBar();
        Q_EMIT rowsCounted();
        return;
    }
    updateScrollBar();
}

bool TextView::countRowsNow(qint64 chars)
{
    return m_layout.exact() || !m_layout.recountSome(chars);
}

int TextView::visibleRows() const
{
    const qreal height = m_layout.rowHeight();
    return std::max(1, int((viewport()->height() - kMargin) / (height > 0 ? height : 1)));
}

void TextView::updateScrollBar()
{
    QScrollBar *bar = verticalScrollBar();
    // Until every paragraph is counted the bar shows the rows so far and a guess at the
    // rest, so that its thumb stands about where the view is in the text.
    const bool exact = m_layout.exact();
    const qint64 rows = exact ? m_layout.rowCount() : m_layout.estimatedRowCount();
    const qint64 top = exact ? topRow() : m_layout.estimatedRowOfOffset(m_topOffset);
    const qint64 most = std::max<qint64>(0, rows - visibleRows());
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
        m_topOffset = rowStartAbove(m_store.length(), visibleRows() - 1);
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
    const qint64 most = std::max<qint64>(0, m_layout.rowCount() - visibleRows());
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
    m_topOffset = rowStartAbove(offset, rows - 1);
    updateScrollBar();
    viewport()->update();
}

QRect TextView::caretRect()
{
    // While text is dragged over the view, the caret shows where it would go.
    return offsetRect(m_dropOffset >= 0 ? m_dropOffset : m_caret);
}

QRect TextView::offsetRect(qint64 offset)
{
    if (m_layout.rowHeight() <= 0)
        return QRect();
    offset = std::clamp<qint64>(offset, 0, m_store.length());
    const ViewRow row = m_layout.rowAt(offset);
    const qreal y = kMargin + (row.index - topRow()) * m_layout.rowHeight();
    const qreal x = kMargin + m_layout.xOf(row, offset);
    return QRectF(x, y, 1, m_layout.rowHeight()).toAlignedRect().adjusted(-1, 0, 1, 0);
}

QRect TextView::characterRect(qint64 offset)
{
    if (m_layout.rowHeight() <= 0)
        return QRect();
    offset = caretPlace(m_store, offset);
    const ViewRow row = m_layout.rowAt(offset);
    const qreal y = kMargin + (row.index - topRow()) * m_layout.rowHeight();
    const qreal x = m_layout.xOf(row, offset);
    const qint64 next = std::min(nextGrapheme(m_store, offset), row.end);
    // A line break or the text's end has no glyph: a blank's width after the row.
    const qreal width = next > offset ? m_layout.xOf(row, next) - x
                                      : QFontMetricsF(m_layout.font()).horizontalAdvance(u' ');
    const qreal left = kMargin + std::min(x, x + width); // leftwards in right-to-left text
    return QRectF(left, y, std::abs(width), m_layout.rowHeight()).toAlignedRect();
}

void TextView::restartBlink()
{
    m_caretShown = true;
    const int flash = QApplication::cursorFlashTime();
    if (flash > 0 && hasFocus())
        m_blink.start(flash / 2, this);
    else
        m_blink.stop();
    repaintCaret();
}

void TextView::repaintCaret()
{
    viewport()->update(m_caretRect);
}

QRect TextView::rowBand(qint64 offset)
{
    const qint64 row = m_layout.rowOfOffset(std::clamp<qint64>(offset, 0, m_store.length()));
    const qreal y = kMargin + (row - topRow()) * m_layout.rowHeight();
    return QRectF(0, y, viewport()->width(), m_layout.rowHeight()).toAlignedRect();
}

void TextView::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_blink.timerId()) {
        m_caretShown = !m_caretShown;
        repaintCaret();
    } else if (event->timerId() == m_autoScroll.timerId()) {
        autoScroll();
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

void TextView::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const qreal height = m_layout.rowHeight();
    const ViewRow topRow = m_layout.rowAt(m_topOffset);
    const qint64 top = topRow.index;
    const QRect area = event->rect();
    qint64 first = std::max<qint64>(0, qint64((area.top() - kMargin) / height));
    const qint64 last = qint64((area.bottom() - kMargin) / height);
    const bool focused = hasFocus() || m_menuOpen;
    RowPaint paint;
    paint.text = m_foreColor;
    paint.highlight = palette().color(QPalette::Highlight);
    paint.highlightedText = palette().color(QPalette::HighlightedText);
    paint.background = viewport()->palette().color(viewport()->backgroundRole());
    // The selection shows only while the view has the focus.
    if (focused) {
        paint.selectionFrom = selectionStart();
        paint.selectionTo = selectionEnd();
    }
    if (!m_preedit.isEmpty()) {
        paint.preeditAt = m_caret;
        paint.preeditRow = m_layout.rowOfOffset(m_caret);
        paint.preedit = m_preedit;
        paint.preeditCursor = m_preeditCursor;
    }
    m_caretRect = caretRect();
    // Text being composed may wrap its row onto more: the rows below move down.
    qint64 shift = 0;
    if (paint.preeditRow >= top && paint.preeditRow < top + first)
        first = paint.preeditRow - top;
    // Only the rows on screen are reached, each paragraph counted as far as they go.
    auto [row, walked] = m_layout.rowsFrom(topRow, first);
    for (qint64 i = first; walked == i && i + shift <= last; ++i) {
        const QPointF at(kMargin, kMargin + (i + shift) * height);
        const PaintedRow painted = m_layout.paintRow(painter, row, at, paint);
        shift += painted.rows - 1;
        if (!painted.preeditCaret.isNull())
            m_caretRect = painted.preeditCaret.toAlignedRect().adjusted(-1, 0, 1, 0);
        const auto next = m_layout.rowsFrom(row, 1);
        row = next.first;
        walked += next.second;
    }
    const bool composing = !m_preedit.isEmpty();
    if ((focused && m_caretShown && (!composing || m_preeditCursor >= 0)) || m_dropOffset >= 0) {
        const QRect caret = m_caretRect.adjusted(1, 0, -1, 0);
        if (caret.intersects(area))
            painter.fillRect(caret, m_foreColor);
    }
    if (m_tellInputMethod) {
        m_tellInputMethod = false;
        QGuiApplication::inputMethod()->update(Qt::ImQueryInput);
    }
    if (m_recountAfterPaint) {
        m_recountAfterPaint = false;
        scheduleRecount();
    }
}

void TextView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    relayout();
    updateScrollBar();
}

void TextView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_layout.setFont(font());
        m_topOffset = m_layout.rowAt(m_topOffset).start;
        scheduleRecount();
        updateScrollBar();
        viewport()->update();
    }
}

void TextView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    m_menuOpen = false;
    restartBlink();
    viewport()->update();
}

void TextView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    // A menu popping up over the view leaves its selection showing, as the menu acts on it.
    m_menuOpen = event->reason() == Qt::PopupFocusReason;
    m_blink.stop();
    viewport()->update();
}

void TextView::wheelEvent(QWheelEvent *event)
{
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
