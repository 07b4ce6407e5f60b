#include "textview/viewlayout.h"

#include "textview/caretmotion.h"
#include "textview/shownchars.h"
#include "encoding/textencoding.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QRawFont>
#include <QPainter>
#include <QTextLine>

#include <algorithm>
#include <cmath>

namespace wimblet {

namespace {

// Past the end of any row, yet well inside the layout's fixed-point range.
constexpr qreal kFarRight = 1e6;
// A row is clipped to its own height only: sideways its caret and ink may reach into the
// margins.
constexpr qreal kClipSlack = 64;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// As tall as a laid-out line of the font: its ascent and descent, rounded up, without
// the leading. Rows then stand as far apart as in a QPlainTextEdit.
qreal rowHeightOf(const QFont &font)
{
    return std::ceil(QFontMetricsF(font).height());
}

} // namespace

ViewLayout::ViewLayout(const TextStore &store)
    : m_store(store)
    , m_rows(WrapSetup(),
             [this](qint64 from, qint64 count) {
                 QString text = shownText(m_store, from, count);
                 m_widths->seeText(text);
                 return text;
             })
{
}

ViewLayout::~ViewLayout() = default;

void ViewLayout::settle() const
{
    if (!m_stale)
        return;
    if (!m_widths || m_widths->font() != m_font) {
        m_widths = std::make_unique<WidthTable>(m_font);
        m_rowHeight = rowHeightOf(m_font);
        // Every row's baseline stands where a line of the font alone has it, whatever
        // fallback font a row's characters are drawn in.
        QTextLayout probe(QStringLiteral("x"), m_font);
        probe.beginLayout();
        QTextLine line = probe.createLine();
        line.setLineWidth(kFarRight);
        m_baseline = line.ascent();
        probe.endLayout();
        m_cache.clear();
    }
    m_rows.setLayout(m_widths->setup(m_lineWidth, m_tabStop));
    m_stale = false;
}

void ViewLayout::setFont(const QFont &font)
{
    if (font == m_font && m_widths)
        return;
    m_font = font;
    m_stale = true;
}

void ViewLayout::setStandInColor(const QColor &colour)
{
    m_standIn = colour;
    m_cache.clear();
}

bool ViewLayout::setLineWidth(qreal width)
{
    width = std::max<qreal>(width, 1);
    if (width == m_lineWidth)
        return false;
    m_lineWidth = width;
    m_cache.clear();
    m_stale = true;
    return true;
}

void ViewLayout::reset(const TextStore &store)
{
    // The paragraphs are read off the stored text itself: stand-ins never make or
    // unmake a CR LF. A LF is looked for a stretch at a time, which is quick.
    std::vector<int> lengths;
    qint64 start = 0;
    qint64 pieceStart = 0;
    bool crBefore = false; // the previous piece ended in a CR
    store.forEachPiece(0, store.length(), [&](QStringView piece) {
        for (qsizetype lf = piece.indexOf(u'\n'); lf >= 0; lf = piece.indexOf(u'\n', lf + 1)) {
            if (lf > 0 ? piece[lf - 1] == u'\r' : crBefore) {
                lengths.push_back(int(pieceStart + lf - 1 - start));
                start = pieceStart + lf + 1;
            }
        }
        if (!piece.isEmpty())
            crBefore = piece.back() == u'\r';
        pieceStart += piece.size();
    });
    lengths.push_back(int(pieceStart - start));
    rows().resetParagraphs(lengths);
    m_cache.clear();
}

void ViewLayout::edit(qint64 offset, qint64 removed, qint64 inserted)
{
    rows().edit(offset, removed, inserted);
    m_cache.edit(offset, removed, inserted);
}

void ViewLayout::finishCounting()
{
    while (rows().recountSome(qint64(1) << 20)) { }
}

ViewRow ViewLayout::rowAt(qint64 offset)
{
    const RowSpan span = rows().rowSpan(offset);
    ViewRow r;
    r.start = span.start;
    r.end = span.end;
    r.endsParagraph = span.endsParagraph;
    r.index = rows().rowOfOffset(span.start);
    return r;
}

std::pair<ViewRow, qint64> ViewLayout::rowsFrom(const ViewRow &from, qint64 rows)
{
    if (exact()) {
        const qint64 target = std::clamp<qint64>(from.index + rows, 0, rowCount() - 1);
        return {row(target), target - from.index};
    }
    ViewRow r = from;
    qint64 walked = 0;
    for (; walked < rows; ++walked) {
        const qint64 next = r.endsParagraph ? r.end + 2 : r.end;
        if (next > m_store.length() || (!r.endsParagraph && next == r.start))
            break;
        r = rowAt(next);
    }
    for (; walked > rows && r.start > 0; --walked)
        r = rowAt(r.start - 1); // the unit before a row's start lies in the row above
    return {r, walked};
}

ViewRow ViewLayout::row(qint64 index)
{
    ViewRow r;
    r.index = std::clamp<qint64>(index, 0, rowCount() - 1);
    r.start = std::max<qint64>(0, rows().rowStartOffset(r.index));
    const qint64 line = m_store.lineOfOffset(r.start);
    const qint64 paragraphEnd = m_store.lineStart(line) + m_store.lineLength(line);
    const qint64 next = rows().rowStartOffset(r.index + 1);
    // The next row may lie in a later paragraph while those between are still stale.
    r.endsParagraph = next < 0 || next > paragraphEnd;
    r.end = r.endsParagraph ? paragraphEnd : next;
    return r;
}

qint64 ViewLayout::shownEnd(const ViewRow &row) const
{
    return std::min(row.end, row.start + kMostShownUnits);
}

int ViewLayout::preeditColumn(const ViewRow &row, const RowPaint *paint) const
{
    if (!paint || paint->preedit.isEmpty() || paint->preeditRow != row.index
        || paint->preeditAt < row.start || paint->preeditAt > shownEnd(row))
        return -1;
    return int(paint->preeditAt - row.start);
}

std::unique_ptr<QTextLayout> ViewLayout::makeLayout(const ViewRow &row, const RowPaint *paint) const
{
    settle();
    const QString raw = m_store.text(row.start, shownEnd(row) - row.start);
    QString shown = raw;
    const bool turned = applyStandIns(shown, row.start > 0 ? m_store.at(row.start - 1) : QChar(),
                                      m_store.at(row.start + raw.size()));
    auto layout = std::make_unique<QTextLayout>(shown, m_font);
    // Formats count the pre-edit text as if it were in the row.
    const int preedit = preeditColumn(row, paint);
    const int shift = preedit < 0 ? 0 : int(paint->preedit.size());
    QList<QTextLayout::FormatRange> formats;
    if (turned) {
        QTextCharFormat grey;
        grey.setForeground(m_standIn);
        for (int i = 0; i < raw.size(); ++i)
            if (raw[i] != shown[i])
                formats.push_back({preedit >= 0 && i >= preedit ? i + shift : i, 1, grey});
    }
    if (preedit >= 0) {
        layout->setPreeditArea(preedit, paint->preedit);
        QTextCharFormat underlined;
        underlined.setFontUnderline(true);
        formats.push_back({preedit, shift, underlined});
    }
    layout->setFormats(formats);
    QTextOption option;
    // Text being composed wraps as the row would with it; rows are cut to fit already.
    option.setWrapMode(preedit >= 0 ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setTabStopDistance(m_tabStop);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    layout->beginLayout();
    for (int i = 0;; ++i) {
        QTextLine line = layout->createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(m_lineWidth);
        line.setPosition(QPointF(0, i * m_rowHeight + m_baseline - line.ascent()));
    }
    layout->endLayout();
    return layout;
}

const QTextLayout &ViewLayout::rowLayout(const ViewRow &row) const
{
    settle();
    return m_cache.get(row.start, shownEnd(row), [&] { return makeLayout(row, nullptr); });
}

qreal ViewLayout::xOf(const ViewRow &row, qint64 offset) const
{
    const int column = int(std::clamp<qint64>(offset, row.start, shownEnd(row)) - row.start);
    return rowLayout(row).lineAt(0).cursorToX(column);
}

std::pair<qreal, qreal> ViewLayout::extentOf(const ViewRow &row, qint64 from, qint64 to) const
{
    const QTextLayout &layout = rowLayout(row);
    const int first = int(std::clamp<qint64>(from, row.start, shownEnd(row)) - row.start);
    const int last = int(std::clamp<qint64>(to, row.start, shownEnd(row)) - row.start);
    const QString shown = layout.text().mid(first, last - first);
    qreal left = kFarRight;
    qreal right = -kFarRight;
    // The glyphs' own advances: at the edge of a run of the other direction, the
    // caret's x belongs to either run. A tab's room is its stop's, not its glyph's.
    if (!shown.contains(u'\t')) {
        for (const QGlyphRun &run : layout.glyphRuns(first, last - first)) {
            const QList<QPointF> at = run.positions();
            const QList<QPointF> advances = run.rawFont().advancesForGlyphIndexes(run.glyphIndexes());
            for (qsizetype i = 0; i < at.size() && i < advances.size(); ++i) {
                left = std::min(left, at[i].x());
                right = std::max(right, at[i].x() + advances[i].x());
            }
        }
    }
    if (left <= right)
        return {left, right};
    const QTextLine line = layout.lineAt(0);
    const qreal a = line.cursorToX(first);
    const qreal b = line.cursorToX(last);
    return {std::min(a, b), std::max(a, b)};
}

qint64 ViewLayout::offsetAt(const ViewRow &row, qreal x) const
{
    x = std::clamp<qreal>(x, -1, kFarRight); // the layout's fixed point would overflow
    qint64 offset = row.start + rowLayout(row).lineAt(0).xToCursor(x, QTextLine::CursorBetweenCharacters);
    if (!row.endsParagraph && offset >= row.end && row.end > row.start) {
        // The end of a wrapped row is where the next row starts: stay on this one.
        offset = isBlank(m_store.at(row.end - 1)) ? row.end - 1 : previousGrapheme(m_store, row.end);
        offset = std::max(offset, row.start);
    }
    return offset;
}

void ViewLayout::paintHexBoxes(QPainter &painter, const QTextLayout &layout, const ViewRow &row,
                               QPointF topLeft, const RowPaint &paint,
                               const std::function<int(qint64)> &column) const
{
    // A lone surrogate is laid out as U+FFFD and shown as a box of what it stands for:
    // a stray byte's two hex digits, a damaged UTF-16 unit's four.
    const qint64 end = shownEnd(row);
    const QString raw = m_store.text(row.start, end - row.start);
    for (qint64 i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (!c.isSurrogate() || layout.text().at(column(row.start + i)) != QChar::ReplacementCharacter)
            continue;
        const QTextLine line = layout.lineForTextPosition(column(row.start + i));
        const qreal x1 = line.cursorToX(column(row.start + i));
        const qreal x2 = line.cursorToX(column(row.start + i) + 1);
        const qreal top = topLeft.y() + line.lineNumber() * m_rowHeight;
        const QRectF box(topLeft.x() + std::min(x1, x2), top + 1, std::abs(x2 - x1), m_rowHeight - 2);
        const qint64 at = row.start + i;
        const bool selected = at >= paint.selectionFrom && at < paint.selectionTo;
        painter.fillRect(box, selected ? paint.highlight : paint.background);
        // Two rows of digits in the box: a byte's one over the other, a unit's in pairs.
        const int byte = strayByteOf(c.unicode());
        const QString hex = byte >= 0 ? QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0'))
                                      : QStringLiteral("%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        const int half = int(hex.size() / 2);
        const QString digits = (hex.left(half) + u'\n' + hex.mid(half)).toUpper();
        QFont small = m_font;
        small.setPixelSize(std::max(4, int(box.height() / 2)));
        while (small.pixelSize() > 4
               && QFontMetricsF(small).horizontalAdvance(hex.left(half)) > box.width() - 1)
            small.setPixelSize(small.pixelSize() - 1);
        painter.save();
        painter.setPen(selected ? paint.highlightedText : m_standIn);
        painter.drawRect(box.adjusted(0.5, 0.5, -0.5, -0.5));
        painter.setPen(selected ? paint.highlightedText : paint.text);
        painter.setFont(small);
        painter.drawText(box, Qt::AlignCenter, digits);
        painter.restore();
    }
}

qreal ViewLayout::breakX(const QTextLayout &layout, const QTextLine &line) const
{
    // The row takes its direction from its first strong character, as its layout does.
    const QRectF drawn = line.naturalTextRect();
    if (layout.text().isRightToLeft())
        return drawn.left() - QFontMetricsF(m_font).horizontalAdvance(QLatin1Char(' '));
    return drawn.right();
}

PaintedRow ViewLayout::paintRow(QPainter &painter, const ViewRow &row, QPointF topLeft,
                                const RowPaint &paint) const
{
    const int preedit = preeditColumn(row, &paint);
    std::unique_ptr<QTextLayout> composing = preedit >= 0 ? makeLayout(row, &paint) : nullptr;
    const QTextLayout &layout = composing ? *composing : rowLayout(row);
    const auto column = [&](qint64 offset) {
        const int c = int(offset - row.start);
        return preedit >= 0 && c > preedit ? c + int(paint.preedit.size()) : c;
    };
    PaintedRow painted;
    painted.rows = std::max(1, layout.lineCount());
    painter.save();
    // A glyph of a taller fallback font stays within its row, never over its neighbours.
    painter.setClipRect(QRectF(topLeft.x() - kClipSlack, topLeft.y(), m_lineWidth + 2 * kClipSlack,
                               painted.rows * m_rowHeight),
                        Qt::IntersectClip);
    QList<QTextLayout::FormatRange> selection;
    const qint64 from = std::max(paint.selectionFrom, row.start);
    const qint64 to = std::min(paint.selectionTo, shownEnd(row));
    if (from < to) {
        QTextCharFormat selected;
        selected.setBackground(paint.highlight);
        selected.setForeground(paint.highlightedText);
        selection.push_back({column(from), column(to) - column(from), selected});
    }
    painter.setPen(paint.text);
    layout.draw(&painter, topLeft, selection);
    if (layout.text().contains(QChar::ReplacementCharacter))
        paintHexBoxes(painter, layout, row, topLeft, paint, column);
    // A selected line break shows as a blank's width of selection after the row.
    const QTextLine last = layout.lineAt(painted.rows - 1);
    if (row.endsParagraph && paint.selectionFrom <= row.end && paint.selectionTo >= row.end + 2) {
        const qreal blank = QFontMetricsF(m_font).horizontalAdvance(QLatin1Char(' '));
        const qreal top = topLeft.y() + (painted.rows - 1) * m_rowHeight;
        painter.fillRect(QRectF(topLeft.x() + breakX(layout, last), top, blank, m_rowHeight), paint.highlight);
    }
    painter.restore();
    if (preedit >= 0 && paint.preeditCursor >= 0) {
        const int at = preedit + std::min(paint.preeditCursor, int(paint.preedit.size()));
        const QTextLine line = layout.lineForTextPosition(at);
        painted.preeditCaret = QRectF(topLeft.x() + line.cursorToX(at),
                                      topLeft.y() + line.lineNumber() * m_rowHeight, 1, m_rowHeight);
    }
    return painted;
}

} // namespace wimblet
