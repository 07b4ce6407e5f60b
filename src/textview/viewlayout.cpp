#include "textview/viewlayout.h"

#include "textview/caretmotion.h"
#include "textview/shownchars.h"
#include "encoding/textencoding.h"
#include "lines/emoji.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLine>

#include <algorithm>
#include <cmath>

namespace wimblet {

namespace {

// Past the end of any row, yet well inside the layout's fixed-point range.
constexpr qreal kFarRight = 1e6;

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

LineBox lineBox(qreal ascent, qreal descent, qreal baseline, qreal height)
{
    if (ascent <= baseline && descent <= height - baseline)
        return {baseline, height};
    const qreal above = std::max(ascent, baseline);
    return {above, std::ceil(above + std::max(descent, height - baseline))};
}

ViewLayout::ViewLayout(const TextStore &store)
    : m_store(store)
    , m_rows(WrapSetup(),
             [this](qint64 from, qint64 count) {
                 QString text = shownText(m_store, from, count);
                 m_widths->seeText(text);
                 return text;
             })
    , m_contexts(store)
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
    m_contexts.clear();
}

void ViewLayout::edit(qint64 offset, qint64 removed, qint64 inserted)
{
    rows().edit(offset, removed, inserted);
    m_cache.edit(offset, removed, inserted);
    m_contexts.edit(offset, removed, inserted);
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

LaidRow ViewLayout::makeWindowLayout(const ViewRow &row, const RowContext &context) const
{
    const QString raw = m_store.text(context.windowStart, context.window.size());
    LaidRow laid;
    laid.lead = int(context.lead.size()) + context.rowAt;
    laid.layout = std::make_unique<QTextLayout>(context.lead + context.window + context.tail, m_font);
    QTextLayout *layout = laid.layout.get();
    QList<QTextLayout::FormatRange> formats = emojiFormats(context.window);
    for (QTextLayout::FormatRange &range : formats)
        range.start += int(context.lead.size());
    QTextCharFormat grey;
    grey.setForeground(m_standIn);
    for (int i = 0; i < raw.size(); ++i)
        if (raw[i] != context.window[i])
            formats.push_back({int(context.lead.size()) + i, 1, grey});
    layout->setFormats(formats);
    QTextOption option;
    option.setTextDirection(context.direction);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(m_tabStop);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    layout->beginLayout();
    laid.line = -1;
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLineWidth(m_lineWidth);
        const bool own = line.textStart() == laid.lead;
        if (own)
            laid.line = line.lineNumber();
        // The lines either side stand far off the screen, where drawing them shows nothing.
        line.setPosition(QPointF(0, own ? boxOf(line).baseline - line.ascent() : kFarRight * (laid.line < 0 ? -1 : 1)));
    }
    layout->endLayout();
    if (laid.line < 0 || layout->lineAt(laid.line).textLength() != row.end - row.start)
        return {};
    return laid;
}

LaidRow ViewLayout::makeLayout(const ViewRow &row, const RowContext &context, const RowPaint *paint) const
{
    settle();
    if (context.windowStart >= 0 && preeditColumn(row, paint) < 0) {
        LaidRow laid = makeWindowLayout(row, context);
        if (laid.layout)
            return laid;
    }
    if (context.windowStart >= 0) // the window wrapped otherwise than the rows: the row alone
        return makeLayout(row, m_contexts.of(row.start, shownEnd(row), false, {}, true), paint);
    const QString raw = m_store.text(row.start, shownEnd(row) - row.start);
    QString shown = raw;
    const bool turned = applyStandIns(shown, row.start > 0 ? m_store.at(row.start - 1) : QChar(),
                                      m_store.at(row.start + raw.size()));
    LaidRow laid;
    laid.lead = int(context.lead.size());
    const int lead = laid.lead;
    laid.layout = std::make_unique<QTextLayout>(context.lead + shown + context.tail, m_font);
    QTextLayout *layout = laid.layout.get();
    // Formats count the pre-edit text as if it were in the row.
    const int preedit = preeditColumn(row, paint);
    const int shift = preedit < 0 ? 0 : int(paint->preedit.size());
    QList<QTextLayout::FormatRange> formats = emojiFormats(shown);
    for (QTextLayout::FormatRange &range : formats)
        range.start += lead + (preedit >= 0 && range.start >= preedit ? shift : 0);
    if (turned) {
        QTextCharFormat grey;
        grey.setForeground(m_standIn);
        for (int i = 0; i < raw.size(); ++i)
            if (raw[i] != shown[i])
                formats.push_back({lead + (preedit >= 0 && i >= preedit ? i + shift : i), 1, grey});
    }
    if (preedit >= 0) {
        layout->setPreeditArea(lead + preedit, paint->preedit);
        QTextCharFormat underlined;
        underlined.setFontUnderline(true);
        formats.push_back({lead + preedit, shift, underlined});
    }
    layout->setFormats(formats);
    QTextOption option;
    // Every row in its paragraph's direction, not its own first strong character's.
    option.setTextDirection(context.direction);
    // Text being composed wraps as the row would with it; rows are cut to fit already.
    option.setWrapMode(preedit >= 0 ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setTabStopDistance(m_tabStop);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    layout->beginLayout();
    for (qreal top = 0;;) {
        QTextLine line = layout->createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(m_lineWidth);
        const LineBox box = boxOf(line);
        line.setPosition(QPointF(0, top + box.baseline - line.ascent()));
        top += box.height;
    }
    layout->endLayout();
    if (preedit < 0 && !row.endsParagraph && context.direction == Qt::RightToLeft)
        hangTrailingBlanks(laid, shown);
    return laid;
}

void ViewLayout::hangTrailingBlanks(const LaidRow &laid, QStringView shown)
{
    // In a right-to-left paragraph the blanks that end a wrapped row hang past its left
    // edge, as in a layout of the whole paragraph, where the row's text starts at the edge.
    qsizetype end = shown.size();
    while (end > 0 && shown[end - 1] == u' ')
        --end;
    if (end == shown.size() || end == 0)
        return;
    QTextLine line = laid.layout->lineAt(laid.line);
    const qreal hanging = QFontMetricsF(laid.layout->font()).horizontalAdvance(shown.mid(end).toString());
    line.setPosition(QPointF(line.x() - hanging, line.y()));
}

LineBox ViewLayout::boxOf(const QTextLine &line) const
{
    return lineBox(line.ascent(), line.descent(), m_baseline, m_rowHeight);
}

qreal ViewLayout::heightOf(const LaidRow &laid, int lines) const
{
    const QTextLayout &layout = *laid.layout;
    if (layout.lineCount() == 0)
        return m_rowHeight;
    const int last = lines > 0 ? laid.line + lines - 1 : layout.lineCount() - 1;
    const QTextLine line = layout.lineAt(std::min(last, layout.lineCount() - 1));
    return lineTop(line) + boxOf(line).height;
}

const LaidRow &ViewLayout::rowLayout(const ViewRow &row) const
{
    settle();
    const RowContext context = m_contexts.of(row.start, shownEnd(row), shownEnd(row) < row.end,
                                                   [&] { return previousRowStart(row); });
    return m_cache.get(row.start, shownEnd(row), context.key(),
                       [&] { return makeLayout(row, context, nullptr); });
}

qreal ViewLayout::xOf(const ViewRow &row, qint64 offset) const
{
    const LaidRow &laid = rowLayout(row);
    const int column = int(std::clamp<qint64>(offset, row.start, shownEnd(row)) - row.start);
    return laid.layout->lineAt(laid.line).cursorToX(laid.lead + column);
}

std::pair<qreal, qreal> ViewLayout::extentOf(const ViewRow &row, qint64 from, qint64 to) const
{
    const LaidRow &laid = rowLayout(row);
    const int first = laid.lead + int(std::clamp<qint64>(from, row.start, shownEnd(row)) - row.start);
    const int last = laid.lead + int(std::clamp<qint64>(to, row.start, shownEnd(row)) - row.start);
    return extentIn(*laid.layout, first, last);
}

std::pair<qreal, qreal> ViewLayout::extentIn(const QTextLayout &layout, int first, int last)
{
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
    const QTextLine line = layout.lineForTextPosition(first);
    const qreal a = line.cursorToX(first);
    const qreal b = line.cursorToX(last);
    return {std::min(a, b), std::max(a, b)};
}

qint64 ViewLayout::offsetAt(const ViewRow &row, qreal x) const
{
    x = std::clamp<qreal>(x, -1, kFarRight); // the layout's fixed point would overflow
    const LaidRow &laid = rowLayout(row);
    const int column = laid.layout->lineAt(laid.line).xToCursor(x, QTextLine::CursorBetweenCharacters) - laid.lead;
    qint64 offset = row.start + std::clamp<qint64>(column, 0, shownEnd(row) - row.start);
    // The layout's own cursor places split emoji after Thai or Indic text and flags after
    // a pictograph (see caretmotion).
    offset = std::max(graphemeStartAt(m_store, offset), row.start);
    return offset >= row.end ? lastOffsetOf(row) : offset;
}

qint64 ViewLayout::previousRowStart(const ViewRow &row) const
{
    return rows().rowSpan(row.start - 1).start;
}

qint64 ViewLayout::lastOffsetOf(const ViewRow &row) const
{
    if (row.endsParagraph || row.end <= row.start)
        return row.end;
    // The end of a wrapped row is where the next row starts: stay on this one.
    const qint64 offset = isBlank(m_store.at(row.end - 1)) ? row.end - 1 : previousGrapheme(m_store, row.end);
    return std::max(offset, row.start);
}

} // namespace wimblet
