#pragma once
// Per-block row counts and lengths of the text box, kept in chunks of about a
// hundred blocks with sums over the chunks, so that the total, the rows before a block,
// the block holding an offset or a row, and the replacement of a few blocks all
// cost the same in a short text and a long one.

#include "lines/chunksums.h"

#include <vector>

namespace wimblet {

struct BlockRows {
    int rows = -1;  // rows shown; negative while still to be counted
    int length = 0; // characters, the line break excluded
};

class RowTree
{
public:
    void assign(const std::vector<BlockRows> &blocks);
    void clear() { assign({}); }

    int blockCount() const { return m_blockCount; }
    qint64 totalRows() const;
    qint64 totalLength() const; // characters of all blocks, line breaks excluded
    int uncounted() const { return m_uncounted; }
    qint64 uncountedLength() const; // characters of the uncounted blocks
    int firstUncounted() const; // -1 when every block is counted
    void markAllUncounted();

    BlockRows at(int block) const;
    void setRows(int block, int rows);
    // Replaces `removed` blocks from `first` on by blocks of the given lengths,
    // whose rows are still to be counted.
    void replace(int first, int removed, const std::vector<int> &lengths);

    qint64 rowsBefore(int block) const;
    // Uncounted blocks before a block, and their characters.
    struct Uncounted
    {
        int blocks = 0;
        qint64 length = 0;
    };
    Uncounted uncountedBefore(int block) const;
    // Offset of a block's first character when every line break counts two.
    qint64 offsetOf(int block) const;
    // The last block that starts at or before the offset; -1 when there is none.
    int blockAtOffset(qint64 offset) const;
    // The block holding the row; -1 past the last row.
    int blockAtRow(qint64 row) const;

private:
    struct Chunk {
        std::vector<BlockRows> blocks;
        qint64 rows = 0;   // counted rows
        qint64 length = 0; // characters plus two per line break
        int uncounted = 0;
        qint64 uncountedLength = 0;
    };
    struct Place {
        int chunk;
        int index;
    };

    static std::vector<Chunk> chunksOf(const std::vector<BlockRows> &blocks, size_t piece);
    Place locate(int block) const;
    void setEntry(Place place, BlockRows entry);
    void rebuildChunks(std::vector<Chunk> replacement, int from, int to);
    void rebuildSums();

    std::vector<Chunk> m_chunks;
    ChunkSums m_count, m_rows, m_length, m_uncountedSums, m_uncountedLength;
    int m_blockCount = 0;
    int m_uncounted = 0;
};

} // namespace wimblet
