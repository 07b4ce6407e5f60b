#include "lines/rowtree.h"

#include <algorithm>
#include <iterator>

namespace wimblet {

namespace {

constexpr int kChunkTarget = 128;
constexpr int kChunkLimit = 256;

qint64 countedRows(const BlockRows &b)
{
    return b.rows < 0 ? 0 : b.rows;
}

// Each block ends in a two-character line break, the last one included, so that
// the sums stay uniform; an offset past the text falls in the last block anyway.
qint64 spanOf(const BlockRows &b)
{
    return qint64(b.length) + 2;
}

qint64 uncountedLengthOf(const BlockRows &b)
{
    return b.rows < 0 ? b.length : 0;
}

} // namespace

void RowTree::assign(const std::vector<BlockRows> &blocks)
{
    m_chunks.clear();
    rebuildChunks(chunksOf(blocks, kChunkTarget), 0, 0);
}

std::vector<RowTree::Chunk> RowTree::chunksOf(const std::vector<BlockRows> &blocks, size_t piece)
{
    std::vector<Chunk> out;
    for (size_t from = 0; from < blocks.size(); from += piece) {
        Chunk c;
        const size_t to = std::min(blocks.size(), from + piece);
        c.blocks.assign(blocks.begin() + qsizetype(from), blocks.begin() + qsizetype(to));
        out.push_back(std::move(c));
    }
    return out;
}

void RowTree::rebuildChunks(std::vector<Chunk> replacement, int from, int to)
{
    for (Chunk &c : replacement) {
        c.rows = 0;
        c.length = 0;
        c.uncounted = 0;
        c.uncountedLength = 0;
        for (const BlockRows &b : c.blocks) {
            c.uncountedLength += uncountedLengthOf(b);
            c.rows += countedRows(b);
            c.length += spanOf(b);
            c.uncounted += b.rows < 0 ? 1 : 0;
        }
    }
    m_chunks.erase(m_chunks.begin() + from, m_chunks.begin() + to);
    m_chunks.insert(m_chunks.begin() + from, std::make_move_iterator(replacement.begin()),
                    std::make_move_iterator(replacement.end()));
    rebuildSums();
}

void RowTree::rebuildSums()
{
    std::vector<qint64> counts, rows, lengths, uncounted, uncountedLength;
    m_blockCount = 0;
    m_uncounted = 0;
    for (const Chunk &c : m_chunks) {
        counts.push_back(qint64(c.blocks.size()));
        rows.push_back(c.rows);
        lengths.push_back(c.length);
        uncounted.push_back(c.uncounted);
        uncountedLength.push_back(c.uncountedLength);
        m_blockCount += int(c.blocks.size());
        m_uncounted += c.uncounted;
    }
    m_count.build(counts);
    m_rows.build(rows);
    m_length.build(lengths);
    m_uncountedSums.build(uncounted);
    m_uncountedLength.build(uncountedLength);
}

qint64 RowTree::uncountedLength() const
{
    return m_uncountedLength.prefix(m_uncountedLength.size());
}

qint64 RowTree::totalRows() const
{
    return m_rows.prefix(m_rows.size());
}

qint64 RowTree::totalLength() const
{
    return m_length.prefix(m_length.size()) - 2 * qint64(m_blockCount);
}

int RowTree::firstUncounted() const
{
    if (m_uncounted == 0)
        return -1;
    const int chunk = m_uncountedSums.find(0);
    const std::vector<BlockRows> &blocks = m_chunks[size_t(chunk)].blocks;
    for (size_t i = 0; i < blocks.size(); ++i)
        if (blocks[i].rows < 0)
            return int(m_count.prefix(chunk)) + int(i);
    return -1;
}

void RowTree::markAllUncounted()
{
    for (Chunk &c : m_chunks) {
        for (BlockRows &b : c.blocks)
            b.rows = -1;
        c.rows = 0;
        c.uncounted = int(c.blocks.size());
        c.uncountedLength = c.length - 2 * qint64(c.blocks.size());
    }
    rebuildSums();
}

RowTree::Place RowTree::locate(int block) const
{
    const int chunk = m_count.find(block);
    return {chunk, int(block - m_count.prefix(chunk))};
}

BlockRows RowTree::at(int block) const
{
    const Place p = locate(block);
    return m_chunks[size_t(p.chunk)].blocks[size_t(p.index)];
}

void RowTree::setEntry(Place place, BlockRows entry)
{
    Chunk &c = m_chunks[size_t(place.chunk)];
    BlockRows &old = c.blocks[size_t(place.index)];
    const qint64 rowDelta = countedRows(entry) - countedRows(old);
    const qint64 lengthDelta = spanOf(entry) - spanOf(old);
    const int uncountedDelta = (entry.rows < 0 ? 1 : 0) - (old.rows < 0 ? 1 : 0);
    const qint64 uncountedLengthDelta = uncountedLengthOf(entry) - uncountedLengthOf(old);
    old = entry;
    c.uncountedLength += uncountedLengthDelta;
    m_uncountedLength.add(place.chunk, uncountedLengthDelta);
    c.rows += rowDelta;
    c.length += lengthDelta;
    c.uncounted += uncountedDelta;
    m_uncounted += uncountedDelta;
    m_rows.add(place.chunk, rowDelta);
    m_length.add(place.chunk, lengthDelta);
    m_uncountedSums.add(place.chunk, uncountedDelta);
}

void RowTree::setRows(int block, int rows)
{
    const Place p = locate(block);
    BlockRows entry = m_chunks[size_t(p.chunk)].blocks[size_t(p.index)];
    entry.rows = rows;
    setEntry(p, entry);
}

void RowTree::replace(int first, int removed, const std::vector<int> &lengths)
{
    if (removed == int(lengths.size())) {
        for (int k = 0; k < removed; ++k)
            setEntry(locate(first + k), BlockRows{-1, lengths[size_t(k)]});
        return;
    }
    // Only the chunks that hold the replaced blocks are rebuilt.
    const int lastChunk = int(m_chunks.size()) - 1;
    const int c0 = first < m_blockCount ? locate(first).chunk : std::max(0, lastChunk);
    const int c1 = removed > 0 ? locate(first + removed - 1).chunk : std::min(c0, lastChunk);
    std::vector<BlockRows> merged;
    for (int c = c0; c <= c1; ++c)
        merged.insert(merged.end(), m_chunks[size_t(c)].blocks.begin(),
                      m_chunks[size_t(c)].blocks.end());
    int c1Merged = c1;
    // Chunks shrunk by deletions are joined to their neighbour to keep the chunk count low.
    if (merged.size() - size_t(removed) + lengths.size() < size_t(kChunkTarget / 4)
        && c1 + 1 < int(m_chunks.size())) {
        ++c1Merged;
        merged.insert(merged.end(), m_chunks[size_t(c1Merged)].blocks.begin(),
                      m_chunks[size_t(c1Merged)].blocks.end());
    }
    const qint64 local = first - m_count.prefix(c0);
    merged.erase(merged.begin() + local, merged.begin() + local + removed);
    std::vector<BlockRows> added;
    for (int length : lengths)
        added.push_back(BlockRows{-1, length});
    merged.insert(merged.begin() + local, added.begin(), added.end());
    // A chunk grown past the limit is split again into chunks of the usual size.
    const size_t piece = merged.size() <= size_t(kChunkLimit) ? std::max<size_t>(1, merged.size())
                                                              : size_t(kChunkTarget);
    rebuildChunks(chunksOf(merged, piece), c0, c1Merged + 1);
}

qint64 RowTree::rowsBefore(int block) const
{
    if (block >= m_blockCount)
        return totalRows();
    const Place p = locate(block);
    qint64 rows = m_rows.prefix(p.chunk);
    const std::vector<BlockRows> &blocks = m_chunks[size_t(p.chunk)].blocks;
    for (int i = 0; i < p.index; ++i)
        rows += countedRows(blocks[size_t(i)]);
    return rows;
}

RowTree::Uncounted RowTree::uncountedBefore(int block) const
{
    if (block >= m_blockCount)
        return {m_uncounted, uncountedLength()};
    const Place p = locate(block);
    Uncounted out {int(m_uncountedSums.prefix(p.chunk)), m_uncountedLength.prefix(p.chunk)};
    const std::vector<BlockRows> &blocks = m_chunks[size_t(p.chunk)].blocks;
    for (int i = 0; i < p.index; ++i) {
        out.blocks += blocks[size_t(i)].rows < 0 ? 1 : 0;
        out.length += uncountedLengthOf(blocks[size_t(i)]);
    }
    return out;
}

qint64 RowTree::offsetOf(int block) const
{
    if (block >= m_blockCount)
        return m_length.prefix(m_length.size());
    const Place p = locate(block);
    qint64 offset = m_length.prefix(p.chunk);
    const std::vector<BlockRows> &blocks = m_chunks[size_t(p.chunk)].blocks;
    for (int i = 0; i < p.index; ++i)
        offset += spanOf(blocks[size_t(i)]);
    return offset;
}

int RowTree::blockAtOffset(qint64 offset) const
{
    if (m_blockCount == 0 || offset < 0)
        return -1;
    const int chunk = m_length.find(offset);
    if (chunk >= int(m_chunks.size()))
        return m_blockCount - 1;
    qint64 rest = offset - m_length.prefix(chunk);
    const std::vector<BlockRows> &blocks = m_chunks[size_t(chunk)].blocks;
    size_t i = 0;
    while (i + 1 < blocks.size() && rest >= spanOf(blocks[i])) {
        rest -= spanOf(blocks[i]);
        ++i;
    }
    return int(m_count.prefix(chunk)) + int(i);
}

int RowTree::blockAtRow(qint64 row) const
{
    if (row < 0)
        return -1;
    const int chunk = m_rows.find(row);
    if (chunk >= int(m_chunks.size()))
        return -1;
    qint64 rest = row - m_rows.prefix(chunk);
    const std::vector<BlockRows> &blocks = m_chunks[size_t(chunk)].blocks;
    for (size_t i = 0; i < blocks.size(); ++i) {
        if (rest < countedRows(blocks[i]))
            return int(m_count.prefix(chunk)) + int(i);
        rest -= countedRows(blocks[i]);
    }
    return -1;
}

} // namespace wimblet
