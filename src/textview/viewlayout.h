#pragma once
// The view's rows on screen: the text wrapped at the viewport's width in the view's
// font, each row laid out and drawn on its own, and positions within a row.

#include "lines/documentrows.h"
#include "textstore/textstore.h"
#include "textview/rowcontext.h"
#include "textview/rowlayoutcache.h"
#include "textview/widthtable.h"

#include <QColor>
#include <QFont>
#include <QRegion>
#include <QTextLayout>

#include <memory>
#include <vector>

class QPainter;

namespace wimblet {

// One displayed row: its text runs from `start` to `end`; a row that ends its
// paragraph is followed by the CR LF (or the text's end), any other by the next row.
struct ViewRow
{
    qint64 index = 0;
    qint64 start = 0;
    qint64 end = 0;
    bool endsParagraph = true;
};

// How rows are drawn: colours, the selected offsets, and an input method's text being
// composed at an offset (drawn there, underlined, not part of the text).
struct RowPaint
{
    QColor text;
    QColor highlight;
    QColor highlightedText;
    QColor background;
    qint64 selectionFrom = 0;
    qint64 selectionTo = 0;
    qint64 preeditAt = -1;
    qint64 preeditRow = -1; // the caret's row: a wrap point is the end of the row before too
    QString preedit;
    int preeditCursor = -1; // the input method's caret in the pre-edit text, or -1
};

// What drawing the rows took: where the caret inside text being composed stands.
struct PaintedRow
{
    QRectF preeditCaret;
};

// Where a laid-out line stands in its row: its baseline from its top, and its height.
struct LineBox
{
    qreal baseline = 0;
    qreal height = 0;
};

// A line as tall as the ascent and descent of the fonts it uses, never less than a row
// of the primary font alone (`baseline`, `height`), whole pixels tall. A line no taller
// keeps the primary font's box, so that rows of plain text share one baseline.
LineBox lineBox(qreal ascent, qreal descent, qreal baseline, qreal height);

class ViewLayout
{
public:
    explicit ViewLayout(const TextStore &store);
    ~ViewLayout();

    void setFont(const QFont &font);
    // The colour lone line breaks and separators are drawn in, as grey stand-ins.
    void setStandInColor(const QColor &colour);
    const QFont &font() const { return m_font; }
    // Room for text on a row, in px; true when it changed.
    bool setLineWidth(qreal width);
    qreal lineWidth() const { return m_lineWidth; }
    qreal tabStop() const { return m_tabStop; }
    // The height of a row of the primary font alone: the least a row has.
    qreal rowHeight() const
    {
        settle();
        return m_rowHeight;
    }
    // The row's height on screen, as its shaped line needs.
    qreal heightOf(const ViewRow &row) const { return heightOf(rowLayout(row), 1); }

    // The whole text is to be `store`'s, which the view's store is about to take: the
    // rows are made for it. When memory runs out (std::bad_alloc), they stay as they were.
    void reset(const TextStore &store);
    // `removed` units at `offset` gave way to `inserted` ones in the store.
    void edit(qint64 offset, qint64 removed, qint64 inserted);
    // Counts stale rows for about `chars` characters or until the deadline; true while
    // some are left.
    bool recountSome(qint64 chars, QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever))
    {
        return rows().recountSome(chars, deadline);
    }
    bool exact() const { return rows().exact(); }
    // The counted rows and a guess at the stale ones; the row of an offset among them.
    qint64 estimatedRowCount() const { return std::max<qint64>(1, rows().estimatedTotalRows()); }
    qint64 estimatedRowOfOffset(qint64 offset) { return rows().estimatedRowOfOffset(offset); }
    // Counts every stale paragraph, so that row figures hold for the whole text.
    void finishCounting();

    // Rows of the counted paragraphs: all rows once exact().
    qint64 rowCount() const { return std::max<qint64>(1, rows().totalRows()); }
    qint64 rowOfOffset(qint64 offset) { return rows().rowOfOffset(offset); }
    // The row of that index, clamped to the rows there are.
    ViewRow row(qint64 index);
    // The row holding an offset; a stale paragraph is counted only up to that row.
    ViewRow rowAt(qint64 offset);
    // The row `rows` rows below (above, when negative) `from`, walked one at a time so
    // that stale paragraphs are counted only as far as the rows reached; and how many
    // rows it is from `from`, fewer at either end of the text.
    std::pair<ViewRow, qint64> rowsFrom(const ViewRow &from, qint64 rows);

    // x of an offset of the row, from the row's left edge.
    qreal xOf(const ViewRow &row, qint64 offset) const;
    // Left and right x of the glyphs of [from, to) on the row, one grapheme.
    std::pair<qreal, qreal> extentOf(const ViewRow &row, qint64 from, qint64 to) const;
    // The offset nearest to x on the row; never past a wrapped row's last character.
    // Any x past the row's end gives its end.
    qint64 offsetAt(const ViewRow &row, qreal x) const;
    // Where End takes the caret on the row: its end, or on a wrapped row before the
    // blank it hangs or its last grapheme, so that the caret stays on the row.
    qint64 lastOffsetOf(const ViewRow &row) const;
    // The direction of the paragraph holding `offset`: that of its first strong character.
    Qt::LayoutDirection directionAt(qint64 offset) const { return m_contexts.directionAt(offset); }
    // Draws the rows from `first` down, its top at `topLeft`, those near `area`: the
    // backgrounds and selections of all first, then their text, so that no ink is cut
    // and no background covers a neighbour's. The caret's row, with text being composed
    // in it, wraps onto more rows and moves those below down.
    PaintedRow paintRows(QPainter &painter, const ViewRow &first, QPointF topLeft, const QRectF &area,
                         const RowPaint &paint);
    // Rows laid out so far: a repaint of rows laid out before makes none.
    qint64 layoutsMade() const { return m_cache.made(); }

private:
    // The row's text laid out on one line, kept until an edit reaches it.
    const LaidRow &rowLayout(const ViewRow &row) const;
    // The row's text laid out anew in its paragraph's direction and context: with
    // `paint`'s pre-edit text in it, wrapped at the width; else on one line.
    LaidRow makeLayout(const ViewRow &row, const RowContext &context, const RowPaint *paint) const;
    static void hangTrailingBlanks(const LaidRow &laid, QStringView shown);
    // The row laid out among its neighbours as `context` holds them, or no layout when
    // the window's lines do not end where the row does.
    LaidRow makeWindowLayout(const ViewRow &row, const RowContext &context) const;
    qint64 previousRowStart(const ViewRow &row) const;
    // x where a selected line break after the last line is shown: after its end in the
    // paragraph's direction.
    qreal breakX(const QTextLayout &layout, const QTextLine &line) const;
    // The column of the row where the pre-edit text goes, or -1.
    int preeditColumn(const ViewRow &row, const RowPaint *paint) const;
    // Left and right x of the glyphs of columns [first, last) of a layout.
    static std::pair<qreal, qreal> extentIn(const QTextLayout &layout, int first, int last);
    struct Placed;
    // Where the line stands within its layout's row, and its band there.
    LineBox boxOf(const QTextLine &line) const;
    qreal lineTop(const QTextLine &line) const { return line.y() + line.ascent() - boxOf(line).baseline; }
    // The height of a layout's row: its lines from `first` on, `lines` of them or all.
    qreal heightOf(const LaidRow &laid, int lines) const;
    // The rows near `area` from `first` down, each with its layout and its stretches.
    std::vector<Placed> placeRows(const ViewRow &first, QPointF topLeft, const QRectF &area,
                                  const RowPaint &paint);
    void markStretches(Placed &placed, const RowPaint &paint) const;
    // The selected stretches of columns [first, end) of the row's lines.
    void markSelection(Placed &placed, int first, int end) const;
    void markHexBoxes(Placed &placed) const;
    void paintBackground(QPainter &painter, const Placed &placed, const RowPaint &paint) const;
    void paintText(QPainter &painter, const Placed &placed, const RowPaint &paint) const;
    void paintHexBox(QPainter &painter, const RowPaint &paint, qint64 at, const QRectF &box) const;
    qint64 shownEnd(const ViewRow &row) const;
    // The font and the width take effect when first needed: a view made with one font
    // and given another before it shows measures only the second.
    void settle() const;
    DocumentRows &rows() const
    {
        settle();
        return m_rows;
    }

    const TextStore &m_store;
    QFont m_font;
    mutable bool m_stale = true;
    mutable std::unique_ptr<WidthTable> m_widths;
    mutable DocumentRows m_rows;
    qreal m_lineWidth = 0;
    qreal m_tabStop = 80;
    mutable qreal m_rowHeight = 0;
    mutable qreal m_baseline = 0; // from a row's top, as a line of the font alone has it
    QColor m_standIn = Qt::gray;
    mutable RowLayoutCache m_cache;
    mutable RowContexts m_contexts;
};

} // namespace wimblet
