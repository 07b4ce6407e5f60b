// ViewLayout: drawing the rows on screen. Every row is as tall as its line needs, and
// nothing is clipped: the backgrounds and selections of all rows go first, then the
// text, so that a mark reaching into a neighbour's row stays whole over its background.
#include "textview/viewlayout.h"

#include "encoding/textencoding.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QTextLine>

#include <algorithm>
#include <cmath>

namespace wimblet {

namespace {

// Far past any screen, yet well inside QRegion's int range: ink stretches reach this far
// above the first line and below the last.
constexpr int kFar = 1 << 20;

} // namespace

// A row to draw: its layout (with text being composed, when any), its top left, and the
// stretches of its lines that are selected or hold a hex box.
struct ViewLayout::Placed
{
    ViewRow row;
    QPointF topLeft;
    LaidRow composing;
    const QTextLayout *layout = nullptr;
    int lead = 0;      // units of the layout's text before the row's
    int firstLine = 0; // the row's lines in the layout: others are never seen
    int lastLine = 0;
    int preedit = -1; // the column of the text being composed
    int shift = 0;    // its length
    QRegion selected; // the selection's background, within the lines' bands
    QRegion selectedInk; // the same stretches reaching up and down: where ink is selected
    QRegion hexInk; // where hex boxes stand in for the glyphs
    std::vector<std::pair<qint64, QRectF>> hexBoxes;

    int column(qint64 offset) const
    {
        const int c = int(offset - row.start);
        return lead + (preedit >= 0 && c > preedit ? c + shift : c);
    }
    // [left, right) of a line as a band of its own and as a stretch of ink.
    void mark(QRegion &band, QRegion &ink, const QTextLine &line, qreal top, qreal height,
              qreal left, qreal right) const
    {
        const QRectF box(topLeft.x() + left, topLeft.y() + top, right - left, height);
        const QRect aligned = box.toAlignedRect();
        band += aligned;
        const int inkTop = line.lineNumber() == firstLine ? -kFar : aligned.top();
        const int inkBottom = line.lineNumber() == lastLine ? kFar : aligned.bottom();
        ink += QRect(QPoint(aligned.left(), inkTop), QPoint(aligned.right(), inkBottom));
    }
};

std::vector<ViewLayout::Placed> ViewLayout::placeRows(const ViewRow &first, QPointF topLeft,
                                                      const QRectF &area, const RowPaint &paint)
{
    // Ink may reach past its row into a neighbour's: the rows next to the area are drawn too.
    const qreal slack = m_rowHeight;
    std::vector<Placed> placed;
    ViewRow row = first;
    for (qreal y = topLeft.y(); y <= area.bottom() + slack;) {
        Placed p;
        p.row = row;
        p.topLeft = QPointF(topLeft.x(), y);
        p.preedit = preeditColumn(row, &paint);
        if (p.preedit >= 0) {
            p.composing = makeLayout(row, m_contexts.of(row.start, shownEnd(row), true), &paint);
            p.shift = int(paint.preedit.size());
        }
        const LaidRow &laid = p.composing.layout ? p.composing : rowLayout(row);
        p.layout = laid.layout.get();
        p.lead = laid.lead;
        p.firstLine = laid.line;
        p.lastLine = p.composing.layout ? p.layout->lineCount() - 1 : laid.line;
        const qreal height = heightOf(laid, p.lastLine - p.firstLine + 1);
        if (y + height + slack >= area.top() || p.preedit >= 0) {
            markStretches(p, paint);
            placed.push_back(std::move(p));
        }
        y += height;
        const auto [next, walked] = rowsFrom(row, 1);
        if (walked < 1)
            break;
        row = next;
    }
    return placed;
}

void ViewLayout::markStretches(Placed &placed, const RowPaint &paint) const
{
    const QTextLayout &layout = *placed.layout;
    const ViewRow &row = placed.row;
    const qint64 from = std::max(paint.selectionFrom, row.start);
    const qint64 to = std::min(paint.selectionTo, shownEnd(row));
    if (from < to)
        markSelection(placed, placed.column(from), placed.column(to));
    if (layout.text().contains(QChar::ReplacementCharacter))
        markHexBoxes(placed);
}

void ViewLayout::markSelection(Placed &placed, int first, int end) const
{
    const QTextLayout &layout = *placed.layout;
    for (int i = placed.firstLine; i <= placed.lastLine; ++i) {
        const QTextLine line = layout.lineAt(i);
        if (line.textStart() >= end || line.textStart() + line.textLength() < first)
            continue;
        // A line selected whole is one stretch, its text's; else grapheme by grapheme,
        // each in its own run's direction, as a selection across runs of both directions
        // takes several stretches.
        if (first <= line.textStart() && end >= line.textStart() + line.textLength()) {
            const QRectF drawn = line.naturalTextRect();
            placed.mark(placed.selected, placed.selectedInk, line, lineTop(line), boxOf(line).height,
                        drawn.left(), drawn.right());
            continue;
        }
        for (int c = std::max(first, line.textStart()); c < end;) {
            int at = c;
            qreal a = line.cursorToX(&at, QTextLine::Leading);
            if (at >= end || at >= line.textStart() + line.textLength())
                break;
            int trailing = at;
            qreal b = line.cursorToX(&trailing, QTextLine::Trailing);
            const int next = layout.nextCursorPosition(at);
            // At the start of a run against the row's direction both edges are the run's
            // neighbour's, and a tab has no trailing edge: the glyphs tell where it stands.
            if (a == b)
                std::tie(a, b) = extentIn(layout, at, next);
            placed.mark(placed.selected, placed.selectedInk, line, lineTop(line), boxOf(line).height,
                        std::min(a, b), std::max(a, b));
            c = std::max(next, c + 1);
        }
    }
}

void ViewLayout::markHexBoxes(Placed &placed) const
{
    const QTextLayout &layout = *placed.layout;
    const ViewRow &row = placed.row;
    // A lone surrogate is laid out as U+FFFD and shown as a box of what it stands for.
    const QString raw = m_store.text(row.start, shownEnd(row) - row.start);
    for (qint64 i = 0; i < raw.size(); ++i) {
        const int column = placed.column(row.start + i);
        if (!raw[i].isSurrogate() || layout.text().at(column) != QChar::ReplacementCharacter)
            continue;
        const QTextLine line = layout.lineForTextPosition(column);
        const qreal x1 = line.cursorToX(column);
        const qreal x2 = line.cursorToX(column + 1);
        // Where a glyph of the primary font stands on the line's baseline.
        const qreal top = line.y() + line.ascent() - m_baseline;
        QRegion band;
        placed.mark(band, placed.hexInk, line, lineTop(line), boxOf(line).height, std::min(x1, x2),
                    std::max(x1, x2));
        const QRectF box(placed.topLeft.x() + std::min(x1, x2), placed.topLeft.y() + top + 1,
                         std::abs(x2 - x1), m_rowHeight - 2);
        placed.hexBoxes.emplace_back(row.start + i, box);
    }
}

void ViewLayout::paintHexBox(QPainter &painter, const RowPaint &paint, qint64 at, const QRectF &box) const
{
    // A stray byte's two hex digits one over the other, a damaged UTF-16 unit's four in pairs.
    const QChar c = m_store.at(at);
    const bool selected = at >= paint.selectionFrom && at < paint.selectionTo;
    painter.fillRect(box, selected ? paint.highlight : paint.background);
    const int byte = strayByteOf(c.unicode());
    const QString hex = byte >= 0 ? QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0'))
                                  : QStringLiteral("%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    const int half = int(hex.size() / 2);
    const QString digits = (hex.left(half) + u'\n' + hex.mid(half)).toUpper();
    QFont small = m_font;
    small.setPixelSize(std::max(4, int(box.height() / 2)));
    while (small.pixelSize() > 4 && QFontMetricsF(small).horizontalAdvance(hex.left(half)) > box.width() - 1)
        small.setPixelSize(small.pixelSize() - 1);
    painter.save();
    painter.setPen(selected ? paint.highlightedText : m_standIn);
    painter.drawRect(box.adjusted(0.5, 0.5, -0.5, -0.5));
    painter.setPen(selected ? paint.highlightedText : paint.text);
    painter.setFont(small);
    painter.drawText(box, Qt::AlignCenter, digits);
    painter.restore();
}

qreal ViewLayout::breakX(const QTextLayout &layout, const QTextLine &line) const
{
    // After the row's end in its paragraph's direction. The glyphs' advances end the
    // text: ink hanging past them leaves no gap before the break.
    const QRectF drawn = line.naturalTextRect();
    if (layout.textOption().textDirection() == Qt::RightToLeft)
        return drawn.right() - line.horizontalAdvance() - QFontMetricsF(m_font).horizontalAdvance(QLatin1Char(' '));
    return drawn.left() + line.horizontalAdvance();
}

void ViewLayout::paintBackground(QPainter &painter, const Placed &placed, const RowPaint &paint) const
{
    for (const QRect &r : placed.selected)
        painter.fillRect(r, paint.highlight);
    // A selected line break shows as a blank's width of selection after the row.
    const ViewRow &row = placed.row;
    if (row.endsParagraph && paint.selectionFrom <= row.end && paint.selectionTo >= row.end + 2) {
        const QTextLine last = placed.layout->lineAt(placed.lastLine);
        const qreal blank = QFontMetricsF(m_font).horizontalAdvance(QLatin1Char(' '));
        const QPointF at = placed.topLeft + QPointF(breakX(*placed.layout, last), lineTop(last));
        painter.fillRect(QRectF(at, QSizeF(blank, boxOf(last).height)), paint.highlight);
    }
    for (const auto &[at, box] : placed.hexBoxes)
        paintHexBox(painter, paint, at, box);
}

void ViewLayout::paintText(QPainter &painter, const Placed &placed, const RowPaint &paint) const
{
    const QTextLayout &layout = *placed.layout;
    painter.setPen(paint.text);
    if (placed.selectedInk.isEmpty() && placed.hexInk.isEmpty()) {
        layout.draw(&painter, placed.topLeft);
        return;
    }
    // A selection handed to QTextLayout::draw would clip the row's ink to its lines: the
    // selected stretches are drawn apart instead, each glyph whole in its own colour.
    const QRegion everywhere(-kFar, -kFar, 2 * kFar, 2 * kFar);
    painter.save();
    painter.setClipRegion(everywhere - placed.selectedInk - placed.hexInk, Qt::IntersectClip);
    layout.draw(&painter, placed.topLeft);
    painter.restore();
    if (placed.selectedInk.isEmpty())
        return;
    painter.save();
    painter.setClipRegion(placed.selectedInk - placed.hexInk, Qt::IntersectClip);
    painter.setPen(paint.highlightedText);
    const int from = layout.lineAt(placed.firstLine).textStart();
    const QTextLine last = layout.lineAt(placed.lastLine);
    for (const QGlyphRun &run : layout.glyphRuns(from, last.textStart() + last.textLength() - from))
        painter.drawGlyphRun(placed.topLeft, run);
    painter.restore();
}

PaintedRow ViewLayout::paintRows(QPainter &painter, const ViewRow &first, QPointF topLeft,
                                 const QRectF &area, const RowPaint &paint)
{
    const std::vector<Placed> placed = placeRows(first, topLeft, area, paint);
    for (const Placed &p : placed)
        paintBackground(painter, p, paint);
    for (const Placed &p : placed)
        paintText(painter, p, paint);
    PaintedRow painted;
    for (const Placed &p : placed) {
        if (p.preedit < 0 || paint.preeditCursor < 0)
            continue;
        const int at = p.lead + p.preedit + std::min(paint.preeditCursor, p.shift);
        const QTextLine line = p.layout->lineForTextPosition(at);
        painted.preeditCaret = QRectF(p.topLeft.x() + line.cursorToX(at), p.topLeft.y() + lineTop(line), 1,
                                      boxOf(line).height);
    }
    return painted;
}

} // namespace wimblet
