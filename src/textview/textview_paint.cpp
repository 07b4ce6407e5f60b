// TextView: painting the rows on screen and the caret, and where offsets stand on it.
#include "textview/textview.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QInputMethod>
#include <QPaintEvent>
#include <QPainter>

#include <utility>

namespace wimblet {

QRect TextView::caretRect()
{
    // While text is dragged over the view, the caret shows where it would go.
    return offsetRect(m_dropOffset >= 0 ? m_dropOffset : m_caret);
}

TextView::RowPlace TextView::placeOf(qint64 offset)
{
    const ViewRow target = m_layout.rowAt(std::clamp<qint64>(offset, 0, m_store.length()));
    ViewRow row = m_layout.rowAt(m_topOffset);
    const qreal least = m_layout.rowHeight();
    if (target.start < row.start)
        return {target, kMargin - std::max<qint64>(1, row.index - target.index) * least, false};
    qreal top = kMargin;
    while (row.start < target.start) {
        if (top > viewport()->height())
            return {target, top + std::max<qint64>(1, target.index - row.index) * least, false};
        top += m_layout.heightOf(row);
        const auto [next, walked] = m_layout.rowsFrom(row, 1);
        if (walked < 1)
            break;
        row = next;
    }
    return {target, top, top <= viewport()->height()};
}

QRect TextView::offsetRect(qint64 offset)
{
    if (m_layout.rowHeight() <= 0)
        return QRect();
    offset = std::clamp<qint64>(offset, 0, m_store.length());
    const RowPlace place = placeOf(offset);
    if (!place.shown)
        return QRectF(kMargin, place.top, 1, m_layout.rowHeight()).toAlignedRect().adjusted(-1, 0, 1, 0);
    const qreal x = kMargin + m_layout.xOf(place.row, offset);
    const qreal height = m_layout.heightOf(place.row);
    return QRectF(x, place.top, 1, height).toAlignedRect().adjusted(-1, 0, 1, 0);
}

QRect TextView::characterRect(qint64 offset)
{
    if (m_layout.rowHeight() <= 0)
        return QRect();
    offset = caretPlace(m_store, offset);
    const RowPlace place = placeOf(offset);
    const ViewRow &row = place.row;
    const qreal blank = QFontMetricsF(m_layout.font()).horizontalAdvance(u' ');
    if (!place.shown)
        return QRectF(kMargin, place.top, blank, m_layout.rowHeight()).toAlignedRect();
    const qreal height = m_layout.heightOf(row);
    const qint64 next = std::min(nextGrapheme(m_store, offset), row.end);
    // A line break or the text's end has no glyph: a blank's width after the row.
    if (next <= offset)
        return QRectF(kMargin + m_layout.xOf(row, offset), place.top, blank, height).toAlignedRect();
    const auto [left, right] = m_layout.extentOf(row, offset, next);
    return QRectF(kMargin + left, place.top, right - left, height).toAlignedRect();
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
    const RowPlace place = placeOf(offset);
    const qreal height = place.shown ? m_layout.heightOf(place.row) : m_layout.rowHeight();
    return QRectF(0, place.top, viewport()->width(), height).toAlignedRect();
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
    const QRect area = event->rect();
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
    // Only the rows on screen are reached, each paragraph counted as far as they go.
    const PaintedRow painted
        = m_layout.paintRows(painter, m_layout.rowAt(m_topOffset), QPointF(kMargin, kMargin), area, paint);
    if (!painted.preeditCaret.isNull())
        m_caretRect = painted.preeditCaret.toAlignedRect().adjusted(-1, 0, 1, 0);
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
    if (std::exchange(m_recountAfterPaint, false) && !m_layout.exact())
        m_recount.start();
}

} // namespace wimblet
