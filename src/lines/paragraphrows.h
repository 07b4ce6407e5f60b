#pragma once
// The row starts of one paragraph, kept so that an edit re-wraps only the rows it
// reaches and shifts the rest without visiting them.

#include "lines/chunksums.h"
#include "lines/rowwalker.h"

#include <vector>

namespace wimblet {

class ParagraphRows
{
public:
    ParagraphRows();

    // Wraps the whole paragraph of `length` characters from scratch.
    void wrap(const WrapSetup &setup, const TextSource &text, qint64 length);
    // `removed` characters at `offset` gave way to `inserted` ones; `text` reads the
    // paragraph as it is now. Costs the rows wrapped again, not the paragraph.
    void edit(const WrapSetup &setup, const TextSource &text, qint64 offset, qint64 removed,
              qint64 inserted);

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

private:
    struct Chunk
    {
        std::vector<int> starts; // from the chunk's first row start, which is 0
        qint64 span = 0; // characters up to the next chunk's first row
    };

    void setStarts(const std::vector<qint64> &starts);
    // Replaces rows [first, end) by `fresh`; the rows from `end` on move by `delta`.
    void splice(int first, int end, const std::vector<qint64> &fresh, qint64 delta, qint64 newLength);
    std::vector<Chunk> chunksOf(const std::vector<qint64> &starts, qint64 end) const;
    int chunkOfRow(int row) const;
    void rebuildSums();

    std::vector<Chunk> m_chunks;
    ChunkSums m_rows, m_spans;
    qint64 m_length = 0;
    int m_rewrapped = 0;
};

} // namespace wimblet
