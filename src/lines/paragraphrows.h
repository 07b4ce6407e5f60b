#pragma once
// The row starts of one paragraph, kept so that an edit re-wraps only the rows it
// reaches and shifts the rest without visiting them, and wrapped a slice at a time
// when they are not all known.

#include "lines/chunksums.h"
#include "lines/rowwalker.h"

#include <QDeadlineTimer>
#include <QString>

#include <limits>
#include <vector>

namespace wimblet {

class ParagraphRows
{
public:
    ParagraphRows();

    // Wraps the whole paragraph of `length` characters from scratch.
    void wrap(const WrapSetup &setup, const TextSource &text, qint64 length);
    // Forgets every row but the first of a paragraph of `length` characters; the
    // others are found by wrapSome() or wrapTo().
    void restart(qint64 length);
    // Wraps on from the last known row for about `chars` characters, or until the
    // deadline, a row at least; true once every row is known. Returns at once when they are.
    bool wrapSome(const WrapSetup &setup, const TextSource &text, qint64 chars,
                  QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));
    // Wraps on, about `chars` characters at most and until the deadline, towards the
    // row holding `offset`; true once that row is known.
    bool wrapTo(const WrapSetup &setup, const TextSource &text, qint64 offset,
                qint64 chars = std::numeric_limits<qint64>::max(),
                QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));
    // `removed` characters at `offset` gave way to `inserted` ones; `text` reads the
    // paragraph as it is now. Wraps a few rows around the edit; when they do not fall
    // back in step with the old ones that soon, the rows after them are left unknown,
    // the old ones standing in for them, for wrapSome() to settle.
    void edit(const WrapSetup &setup, const TextSource &text, qint64 offset, qint64 removed,
              qint64 inserted);

    // Every row is known: the rows are those that wrapping from scratch gives.
    bool complete() const { return m_complete; }
    // Rows that start at or before this offset are known; the paragraph's length once
    // complete. Rows after it stand in for the unknown ones: a guess at their count.
    qint64 knownEnd() const { return m_complete ? m_length : m_frontier; }
    // Rows known so far, the last of them perhaps still to be cut short.
    int knownRows() const { return m_complete ? rowCount() : rowOfOffset(m_frontier) + 1; }

    // Takes rows known already: `starts` of a paragraph of `length` characters.
    void assign(const std::vector<qint64> &starts, qint64 length);
    // Follows these rows by those of `next`, which starts `gap` characters after this
    // paragraph's end: the two as one paragraph, for an edit that removes the gap.
    void append(const ParagraphRows &next, qint64 gap);
    // The last row takes `chars` characters more: text whose rows are not known.
    void extend(qint64 chars);

    qint64 length() const { return m_length; }
    int rowCount() const;
    qint64 rowStart(int row) const;
    // The row holding the offset; an offset where a row starts belongs to that row,
    // the paragraph's length to the last row.
    int rowOfOffset(qint64 offset) const;
    std::vector<qint64> rowStarts() const;
    // Rows the last edit wrapped again.
    int rewrappedRows() const { return m_rewrapped; }

    // Empty while the row starts, their sums and what is known of them agree, else
    // what disagrees first. Reads every row start.
    QString brokenInvariant() const;

private:
    struct Chunk
    {
        std::vector<int> starts; // from the chunk's first row start, which is 0
        qint64 span = 0; // characters up to the next chunk's first row
    };

    // How far a re-wrap goes and what it may fall in step with.
    struct Walk
    {
        int first = 0; // first row wrapped again
        qint64 editEnd = 0; // first character past the edit, in the new text
        qint64 delta = 0; // characters the edit added
        qint64 newLength = 0;
        qint64 trustedFrom = 0; // stand-in rows hold from here on
        qint64 aheadEnd = -1; // known rows out of step up to here, or -1
        qint64 aheadFrom = 0; // ... that hold from here on
        qint64 chars = 0; // wrap about this many characters at most...
        int rows = 0; // ... and this many rows...
        QDeadlineTimer deadline {QDeadlineTimer::Forever}; // ... until this
    };
    enum class Match { None, Known, Ahead, All };
    Match matchAt(RowWalker &walker, const Walk &w, qint64 x) const;
    bool walk(const WrapSetup &setup, const TextSource &text, const Walk &w);
    void stopAt(qint64 x, qint64 oldFrontier, bool wasComplete, const Walk &w);
    int firstRowFrom(qint64 offset) const;
    void editUnknownRows(qint64 offset, qint64 removed, qint64 inserted, int first);
    void setStarts(const std::vector<qint64> &starts);
    // Replaces rows [first, end) by `fresh`; the rows from `end` on move by `delta`.
    void splice(int first, int end, const std::vector<qint64> &fresh, qint64 delta, qint64 newLength);
    std::vector<Chunk> chunksOf(const std::vector<qint64> &starts, qint64 end) const;
    int chunkOfRow(int row) const;
    void rebuildSums();
    QString brokenKnownRows() const;

    std::vector<Chunk> m_chunks;
    ChunkSums m_rows, m_spans;
    qint64 m_length = 0;
    int m_rewrapped = 0;
    bool m_complete = true;
    qint64 m_frontier = 0; // start of the last known row while some are unknown
    qint64 m_trustedFrom = 0; // the stand-in rows from here on are those of the text
    // Rows once known, past the last known one, up to this row start: met at or past
    // m_aheadFrom, they are known again up to it. -1 when there are none.
    qint64 m_aheadEnd = -1;
    qint64 m_aheadFrom = 0;
};

} // namespace wimblet
