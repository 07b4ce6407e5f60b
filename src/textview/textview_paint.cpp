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
    const qint64 next = std::min(nextGrapheme(m_store, offset), row.end);
    // A line break or the text's end has no glyph: a blank's width after the row.
    if (next <= offset) {
        const qreal x = kMargin + m_layout.xOf(row, offset);
        const qreal blank = QFontMetricsF(m_layout.font()).horizontalAdvance(u' ');
        return QRectF(x, y, blank, m_layout.rowHeight()).toAlignedRect();
    }
    const auto [left, right] = m_layout.extentOf(row, offset, next);
    return QRectF(kMargin + left, y, right - left, m_layout.rowHeight()).toAlignedRect();
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
    if (std::exchange(m_recountAfterPaint, false) && !m_layout.exact())
        m_recount.start();
}

} // namespace wimblet
