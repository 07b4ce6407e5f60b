#include "lines/paragraphrows.h"

#include <algorithm>
#include <iterator>
#include <limits>

namespace wimblet {

namespace {

constexpr size_t kChunkTarget = 128;
constexpr size_t kChunkLimit = 256;
// The break rules may look this far ahead, so the flags just before an edit can change.
constexpr qint64 kEditLookAhead = 16;
// Rows an edit wraps again before it leaves the rest to be wrapped in slices: typing
// into prose falls back in step within a few, repetitive text may never do so.
constexpr int kEditRows = 8;

} // namespace

ParagraphRows::ParagraphRows()
{
    setStarts({0});
}

void ParagraphRows::wrap(const WrapSetup &setup, const TextSource &text, qint64 length)
{
    restart(length);
    wrapSome(setup, text, length);
    m_rewrapped = rowCount();
}

void ParagraphRows::restart(qint64 length)
{
    m_length = length;
    setStarts({0});
    m_complete = length == 0;
    m_frontier = 0;
    m_trustedFrom = length + 1; // no stand-in rows to trust
    m_aheadEnd = -1;
}

bool ParagraphRows::wrapSome(const WrapSetup &setup, const TextSource &text, qint64 chars,
                             QDeadlineTimer deadline)
{
    if (m_complete)
        return true;
    Walk w;
    w.first = rowOfOffset(m_frontier);
    w.editEnd = m_frontier;
    w.newLength = m_length;
    w.trustedFrom = m_trustedFrom;
    w.aheadEnd = m_aheadEnd;
    w.aheadFrom = m_aheadFrom;
    w.chars = std::max<qint64>(1, chars);
    w.rows = std::numeric_limits<int>::max();
    w.deadline = deadline;
    walk(setup, text, w);
    return m_complete;
}

bool ParagraphRows::wrapTo(const WrapSetup &setup, const TextSource &text, qint64 offset, qint64 chars,
                           QDeadlineTimer deadline)
{
    // The row holding the offset is known once a known row starts past it.
    if (!m_complete && m_frontier <= offset)
        wrapSome(setup, text, std::min(chars, offset - m_frontier + 1), deadline);
    return m_complete || m_frontier > offset;
}

int ParagraphRows::firstRowFrom(qint64 offset) const
{
    const int row = rowOfOffset(offset);
    return rowStart(row) < offset ? row + 1 : row;
}

void ParagraphRows::edit(const WrapSetup &setup, const TextSource &text, qint64 offset, qint64 removed,
                         qint64 inserted)
{
    const qint64 delta = inserted - removed;
    const qint64 editEnd = offset + inserted; // first unchanged character, in the new text
    // A row is settled by its own text and the first piece of the next row, which
    // may reach to the start of the row after that: two rows back are untouched.
    const int first = std::max(0, rowOfOffset(std::max<qint64>(0, offset - kEditLookAhead)) - 2);
    if (!m_complete && rowStart(first) > m_frontier) {
        editUnknownRows(offset, removed, inserted, first);
        return;
    }
    Walk w;
    w.first = first;
    w.editEnd = editEnd;
    w.delta = delta;
    w.newLength = m_length + delta;
    // Old rows past the edit still hold from its end on. Of rows partly unknown, only
    // the stand-in ones do, from where they held before: the known rows end out of
    // step with them.
    w.trustedFrom = editEnd;
    if (!m_complete) {
        const auto moved = [&](qint64 x) {
            return x >= offset + removed ? x + delta : editEnd;
        };
        const qint64 lastKnown = std::max(m_frontier, m_aheadEnd);
        w.trustedFrom = std::max({editEnd, moved(m_trustedFrom), moved(lastKnown) + 1});
        // Rows once known past the last known one hold while the edit lies before them.
        if (m_aheadEnd >= 0 && m_frontier >= offset + removed) {
            w.aheadEnd = m_aheadEnd + delta;
            w.aheadFrom = std::max(editEnd, moved(m_aheadFrom));
        }
    }
    w.chars = std::numeric_limits<qint64>::max();
    w.rows = kEditRows;
    walk(setup, text, w);
}

// An edit past the last known row: the stand-in rows it reaches are dropped, those
// after it move with the text.
void ParagraphRows::editUnknownRows(qint64 offset, qint64 removed, qint64 inserted, int first)
{
    const qint64 delta = inserted - removed;
    const qint64 kept = rowStart(first - 1);
    if (m_aheadEnd >= rowStart(first)) // the rows once known now end before the edit's reach
        m_aheadEnd = kept > m_frontier ? kept : -1;
    const int end = firstRowFrom(offset + removed);
    splice(first - 1, end, {kept}, delta, m_length + delta);
    m_trustedFrom = m_trustedFrom >= offset + removed ? m_trustedFrom + delta : offset + inserted;
    m_rewrapped = 0;
}

// What a new row start that an old one matches tells: nothing, that the rows are
// known up to the last known one, up to the end of the rows once known, or all.
ParagraphRows::Match ParagraphRows::matchAt(RowWalker &walker, const Walk &w, qint64 x) const
{
    const qint64 old = x - w.delta;
    if (x < w.editEnd || rowStart(rowOfOffset(old)) != old)
        return Match::None;
    const qint64 frontier = knownEnd();
    if (old <= frontier)
        return walker.settledBetween(w.editEnd, x) ? Match::Known : Match::None;
    if (w.aheadEnd >= 0 && x <= w.aheadEnd)
        return x >= w.aheadFrom && walker.settledBetween(w.aheadFrom, x) ? Match::Ahead : Match::None;
    return x >= w.trustedFrom && walker.settledBetween(w.trustedFrom, x) ? Match::All : Match::None;
}

// Wraps from row w.first on until a new row falls in step with an old one (see
// matchAt()), or until the budget is spent: then the old rows past the last new one
// stand in for the unknown ones.
bool ParagraphRows::walk(const WrapSetup &setup, const TextSource &text, const Walk &w)
{
    const qint64 from = rowStart(w.first);
    RowWalker walker(setup, text, w.newLength);
    std::vector<qint64> fresh {from};
    int end = rowCount();
    Match step = Match::All; // the paragraph's end was reached
    qint64 x = walker.next(from);
    for (; x < w.newLength; x = walker.next(x)) {
        step = matchAt(walker, w, x);
        if (step != Match::None) {
            end = rowOfOffset(x - w.delta);
            break;
        }
        fresh.push_back(x);
        // A row costs from a microsecond to milliseconds: the clock is read every few.
        if (x - from >= w.chars || int(fresh.size()) > w.rows
            || (fresh.size() % 4 == 0 && w.deadline.hasExpired())) {
            end = firstRowFrom(std::max(x - w.delta + 1, w.editEnd - w.delta));
            break;
        }
        step = Match::All;
    }
    const qint64 oldFrontier = knownEnd();
    const bool wasComplete = m_complete;
    splice(w.first, end, fresh, w.delta, w.newLength);
    m_rewrapped = int(fresh.size());
    m_trustedFrom = w.trustedFrom;
    m_complete = step == Match::All || (step == Match::Known && wasComplete);
    m_aheadEnd = step == Match::Known ? w.aheadEnd : -1;
    m_aheadFrom = w.aheadFrom;
    if (step == Match::Known)
        m_frontier = oldFrontier + w.delta;
    else if (step == Match::Ahead)
        m_frontier = w.aheadEnd;
    else if (step == Match::None)
        stopAt(x, oldFrontier, wasComplete, w);
    return m_complete;
}

// The walk ran out of budget at the row start x. The rows that were known past it
// are known again if a later walk falls in step with them.
void ParagraphRows::stopAt(qint64 x, qint64 oldFrontier, bool wasComplete, const Walk &w)
{
    m_complete = false;
    m_frontier = x;
    m_aheadEnd = -1;
    const bool editBeforeKnown = w.editEnd - w.delta <= oldFrontier;
    if (!wasComplete && editBeforeKnown && x < oldFrontier + w.delta) {
        m_aheadEnd = oldFrontier + w.delta;
        m_aheadFrom = w.editEnd;
    } else if (w.aheadEnd >= 0 && x < w.aheadEnd) {
        m_aheadEnd = w.aheadEnd;
        m_aheadFrom = w.aheadFrom;
    }
}

int ParagraphRows::rowCount() const
{
    return int(m_rows.prefix(m_rows.size()));
}

int ParagraphRows::chunkOfRow(int row) const
{
    return std::min(m_rows.find(row), int(m_chunks.size()) - 1);
}

qint64 ParagraphRows::rowStart(int row) const
{
    const int c = chunkOfRow(row);
    const qint64 local = row - m_rows.prefix(c);
    const std::vector<int> &starts = m_chunks[size_t(c)].starts;
    return m_spans.prefix(c) + starts[size_t(std::clamp<qint64>(local, 0, qint64(starts.size()) - 1))];
}

int ParagraphRows::rowOfOffset(qint64 offset) const
{
    const int c = std::min(m_spans.find(std::max<qint64>(0, offset)), int(m_chunks.size()) - 1);
    const std::vector<int> &starts = m_chunks[size_t(c)].starts;
    const qint64 local = offset - m_spans.prefix(c);
    const auto row = std::upper_bound(starts.begin(), starts.end(), local) - starts.begin() - 1;
    return int(m_rows.prefix(c)) + int(std::max<qint64>(0, row));
}

std::vector<qint64> ParagraphRows::rowStarts() const
{
    std::vector<qint64> out;
    qint64 base = 0;
    for (const Chunk &c : m_chunks) {
        for (int s : c.starts)
            out.push_back(base + s);
        base += c.span;
    }
    return out;
}

std::vector<ParagraphRows::Chunk> ParagraphRows::chunksOf(const std::vector<qint64> &starts,
                                                          qint64 end) const
{
    // Rows are kept in one chunk up to the limit, else cut into chunks of the usual size.
    const size_t piece = starts.size() <= kChunkLimit ? starts.size() : kChunkTarget;
    std::vector<Chunk> out;
    for (size_t i = 0; i < starts.size(); i += piece) {
        const size_t to = std::min(starts.size(), i + piece);
        Chunk c;
        c.starts.reserve(to - i);
        for (size_t k = i; k < to; ++k)
            c.starts.push_back(int(starts[k] - starts[i]));
        c.span = (to < starts.size() ? starts[to] : end) - starts[i];
        out.push_back(std::move(c));
    }
    return out;
}

void ParagraphRows::setStarts(const std::vector<qint64> &starts)
{
    m_chunks = chunksOf(starts, m_length);
    rebuildSums();
}

void ParagraphRows::assign(const std::vector<qint64> &starts, qint64 length)
{
    m_length = length;
    m_complete = true;
    setStarts(starts);
}

void ParagraphRows::append(const ParagraphRows &next, qint64 gap)
{
    // The gap joins this paragraph's last row; chunks are relative, so next's are
    // taken as they are.
    m_chunks.back().span += gap;
    m_chunks.insert(m_chunks.end(), next.m_chunks.begin(), next.m_chunks.end());
    m_length += gap + next.m_length;
    rebuildSums();
}

void ParagraphRows::extend(qint64 chars)
{
    m_chunks.back().span += chars;
    m_spans.add(int(m_chunks.size()) - 1, chars);
    m_length += chars;
}

void ParagraphRows::rebuildSums()
{
    std::vector<qint64> rows, spans;
    for (const Chunk &c : m_chunks) {
        rows.push_back(qint64(c.starts.size()));
        spans.push_back(c.span);
    }
    m_rows.build(rows);
    m_spans.build(spans);
}

void ParagraphRows::splice(int first, int end, const std::vector<qint64> &fresh, qint64 delta,
                           qint64 newLength)
{
    const int rows = rowCount();
    const int c0 = chunkOfRow(first);
    const int c1 = end < rows ? chunkOfRow(end) : int(m_chunks.size()) - 1;
    const int lastChunk = int(m_chunks.size()) - 1;
    // Only the chunks from the first row wrapped again to the first row kept are rebuilt.
    const qint64 base = m_spans.prefix(c0);
    const qint64 groupEnd = c1 == lastChunk ? newLength : m_spans.prefix(c1 + 1) + delta;
    const int firstRowOfGroup = int(m_rows.prefix(c0));
    std::vector<qint64> merged;
    for (int r = firstRowOfGroup; r < first; ++r)
        merged.push_back(base + m_chunks[size_t(c0)].starts[size_t(r - firstRowOfGroup)]);
    merged.insert(merged.end(), fresh.begin(), fresh.end());
    // The rows kept after the wrapped ones all lie in chunk c1.
    const int firstRowOfLast = int(m_rows.prefix(c1));
    const qint64 lastBase = m_spans.prefix(c1) + delta;
    const std::vector<int> &lastStarts = m_chunks[size_t(c1)].starts;
    for (size_t i = size_t(std::max(0, end - firstRowOfLast)); i < lastStarts.size(); ++i)
        merged.push_back(lastBase + lastStarts[i]);
    std::vector<Chunk> replacement = chunksOf(merged, groupEnd);
    m_length = newLength;
    if (int(replacement.size()) == c1 - c0 + 1) {
        // Same number of chunks: the sums take the differences in place.
        for (size_t i = 0; i < replacement.size(); ++i) {
            Chunk &old = m_chunks[size_t(c0) + i];
            m_rows.add(c0 + int(i), qint64(replacement[i].starts.size()) - qint64(old.starts.size()));
            m_spans.add(c0 + int(i), replacement[i].span - old.span);
            old = std::move(replacement[i]);
        }
        return;
    }
    m_chunks.erase(m_chunks.begin() + c0, m_chunks.begin() + c1 + 1);
    m_chunks.insert(m_chunks.begin() + c0, std::make_move_iterator(replacement.begin()),
                    std::make_move_iterator(replacement.end()));
    rebuildSums();
}

} // namespace wimblet
