#pragma once
// Wrapped rows of a whole document: a few bytes of row count per paragraph, the row
// starts of long paragraphs kept between edits, short ones wrapped again when asked.

#include "lines/paragraphrows.h"
#include "lines/rowtree.h"

#include <array>
#include <limits>
#include <map>
#include <unordered_map>
#include <memory>
#include <vector>

namespace wimblet {

// One row: its first offset and the next row's, or its paragraph's end for the last.
struct RowSpan
{
    qint64 start = 0;
    qint64 end = 0;
    bool endsParagraph = true;
};

class DocumentRows
{
public:
    // `text` reads the document as it is at the time of the call; paragraphs end in CR LF.
    DocumentRows(const WrapSetup &setup, TextSource text);
    ~DocumentRows();

    // The whole text is new: finds its paragraphs again, all still to be counted.
    void reset(qint64 length);
    // The same, with the paragraphs' lengths already known (their CR LFs between them).
    // When memory runs out (std::bad_alloc), the rows stay as they were.
    void resetParagraphs(const std::vector<int> &lengths);
    // Another row width, font or width table: every count is stale until counted again.
    void setLayout(const WrapSetup &setup);
    // `removed` characters at `offset` gave way to `inserted` ones, line breaks among
    // them or not. The short paragraphs the edit touches are counted again at once,
    // long ones around the edit; rows of a long paragraph that do not fall back in
    // step soon are left to recountSome(), and the paragraph is stale until then.
    void edit(qint64 offset, qint64 removed, qint64 inserted);

    // Counts stale paragraphs for about `chars` characters or until the deadline (a row
    // at least), stopping inside a long one if need be and going on there next time;
    // true while some are left.
    bool recountSome(qint64 chars, QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));
    // Counts the rows that the offsets from..to reach into, for about `chars`
    // characters at most and until the deadline; true once they are all known. A long
    // stale paragraph is counted from its start up to `to`, not to its end.
    bool countRegion(qint64 from, qint64 to, qint64 chars = std::numeric_limits<qint64>::max(),
                     QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));
    bool exact() const { return m_tree.uncounted() == 0; }
    // Characters of the stale paragraphs whose rows are not known yet.
    qint64 uncountedCharacters() const;
    // The rows counted so far and a guess at the others from their length: for a
    // scroll bar while the rows are counted.
    qint64 estimatedTotalRows() const;
    // The row holding an offset among estimatedTotalRows(), counting no stale
    // paragraph: exact while every row up to it is known.
    qint64 estimatedRowOfOffset(qint64 offset);

    int paragraphCount() const { return m_tree.blockCount(); }
    qint64 length() const { return m_length; }
    // Rows of the counted paragraphs: all of them once exact().
    qint64 totalRows() const { return m_tree.totalRows(); }
    // The row holding an offset among the rows of the counted paragraphs (counting
    // that paragraph, up to the offset, if it is stale); an offset inside a line
    // break belongs to the row the break ends.
    qint64 rowOfOffset(qint64 offset);
    // Offset of a row's first character; -1 past the last counted row.
    qint64 rowStartOffset(qint64 row);
    // The row holding an offset; a stale paragraph is counted only up to that row.
    RowSpan rowSpan(qint64 offset);

    // Empty while the kept rows of long paragraphs are sound and agree with the counts
    // and lengths of their paragraphs, else what disagrees first.
    QString brokenInvariant() const;

private:
    using Starts = std::vector<int>;

    void countNew(int from, int to);
    qint64 countShortRun(int first, qint64 chars, QDeadlineTimer deadline);
    qint64 countSome(int paragraph, qint64 chars,
                     QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));
    ParagraphRows &partialRows(int paragraph);
    double averageRowChars() const;
    double partialGuess(const ParagraphRows &rows, double average) const;
    static double ownAverage(const ParagraphRows &rows, double average);
    const Starts &shortStarts(int paragraph);
    // Row starts of a short paragraph's text.
    void wrapShort(QStringView text, Starts &starts);
    ParagraphRows *longRows(int paragraph);
    std::vector<int> newParagraphs(qint64 offset, qint64 removed, qint64 inserted, int p0, int p1);
    void replaceParagraphs(int p0, int p1, const std::vector<int> &lengths);
    bool editAcrossBreaks(qint64 offset, qint64 removed, qint64 inserted, int p0, int p1,
                          const std::vector<int> &lengths);
    std::unique_ptr<ParagraphRows> takeRows(int paragraph);
    void adopt(int paragraph, std::unique_ptr<ParagraphRows> rows);
    TextSource paragraphText(int paragraph) const;
    void forgetCached();
    // The cached paragraphs from p0 to p1 gave way to `count` new ones.
    void shiftCached(int p0, int p1, int count);

    WrapSetup m_setup;
    TextSource m_text;
    RowTree m_tree;
    qint64 m_length = 0;
    std::map<int, std::unique_ptr<ParagraphRows>> m_long;
    // Row starts of the short paragraphs asked about last: the rows of two screens (a
    // page up and back), each wrapped once rather than at every question about it.
    struct CachedStarts
    {
        int paragraph = -1;
        Starts starts;
    };
    std::vector<CachedStarts> m_cached;
    std::unordered_map<int, size_t> m_cachedAt; // paragraph to its entry
    size_t m_nextCached = 0;
    std::vector<quint8> m_breaks;
    Starts m_runStarts;
};

} // namespace wimblet
