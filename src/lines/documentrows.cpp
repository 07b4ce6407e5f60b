#include "lines/documentrows.h"

#include "lines/segmentwidths.h"
#include "lines/summedrows.h"

#include <algorithm>

namespace wimblet {

namespace {

// Paragraphs this long keep their row starts; shorter ones are wrapped again when
// asked, which costs about as much as shifting kept starts would.
constexpr qint64 kLongParagraph = 4096;
// The text is read this much at a time when its paragraphs are found.
constexpr qint64 kScanPiece = qint64(1) << 20;
// What counting a paragraph costs beside its characters, in characters.
constexpr qint64 kParagraphCost = 32;
// Characters of a long paragraph that an edit wraps at once when it makes the
// paragraph anew; the rest is counted in slices.
constexpr qint64 kEditChars = qint64(1) << 14;
// Characters of the paragraphs an edit makes that it counts at once.
constexpr qint64 kEditCountChars = qint64(1) << 16;
// Short paragraphs whose row starts are kept between questions.
constexpr size_t kCachedParagraphs = 256;
// Characters of short paragraphs read at once when they are counted one after another.
// Text after a paragraph with unmeasured segments whose segments are measured with it.
constexpr qsizetype kMeasureAhead = 8192;
constexpr qint64 kRunChars = qint64(1) << 15;

} // namespace

DocumentRows::DocumentRows(const WrapSetup &setup, TextSource text)
    : m_setup(setup)
    , m_text(std::move(text))
{
    m_tree.assign({BlockRows {-1, 0}});
}

DocumentRows::~DocumentRows() = default;

void DocumentRows::reset(qint64 length)
{
    std::vector<int> lengths;
    qint64 paragraphStart = 0;
    for (qint64 from = 0; from < length; from += kScanPiece) {
        // One character more, so that a CR LF across the cut is seen whole.
        const QString piece = m_text(from, std::min(kScanPiece + 1, length - from));
        const qint64 stop = std::min<qint64>(kScanPiece, piece.size() - 1);
        for (qint64 i = 0; i < stop; ++i) {
            if (piece[i] == u'\r' && piece[i + 1] == u'\n') {
                lengths.push_back(int(from + i - paragraphStart));
                paragraphStart = from + i + 2;
            }
        }
    }
    lengths.push_back(int(length - paragraphStart));
    resetParagraphs(lengths);
}

void DocumentRows::resetParagraphs(const std::vector<int> &lengths)
{
    std::vector<BlockRows> blocks;
    blocks.reserve(lengths.size());
    qint64 length = 2 * (qint64(lengths.size()) - 1);
    for (int paragraph : lengths) {
        blocks.push_back(BlockRows {-1, paragraph});
        length += paragraph;
    }
    if (blocks.empty())
        blocks.push_back(BlockRows {-1, 0});
    // Built beside the old rows and then taken: memory running out leaves them as they were.
    RowTree tree;
    tree.assign(blocks);
    m_tree = std::move(tree);
    m_length = std::max<qint64>(0, length);
    m_long.clear();
    forgetCached();
}

void DocumentRows::setLayout(const WrapSetup &setup)
{
    m_setup = setup;
    m_tree.markAllUncounted();
    m_long.clear();
    forgetCached();
}

TextSource DocumentRows::paragraphText(int paragraph) const
{
    const qint64 start = m_tree.offsetOf(paragraph);
    return [this, start](qint64 from, qint64 count) {
        return m_text(start + from, count);
    };
}

std::vector<int> DocumentRows::newParagraphs(qint64 offset, qint64 removed, qint64 inserted, int p0,
                                             int p1)
{
    const qint64 delta = inserted - removed;
    const qint64 start = m_tree.offsetOf(p0);
    // The region ends at p1's line break, which the edit leaves alone, or at the text's end.
    const qint64 end
        = p1 == m_tree.blockCount() - 1 ? m_length + delta : m_tree.offsetOf(p1 + 1) - 2 + delta;
    std::vector<qint64> oldBreaks;
    for (int p = p0; p < p1; ++p)
        oldBreaks.push_back(m_tree.offsetOf(p + 1) - 2);
    std::vector<qint64> breaks; // where a CR LF starts in the new text
    for (qint64 b : oldBreaks)
        if (b + 2 <= offset)
            breaks.push_back(b);
    // Line breaks made or unmade by the edit hold one of its characters or touch it.
    const qint64 scanFrom = std::max(start, offset - 1);
    const qint64 scanTo = std::min(end - 2, offset + inserted);
    if (scanTo >= scanFrom) {
        const QString t = m_text(scanFrom, scanTo - scanFrom + 2);
        for (qint64 i = 0; i + 1 < t.size(); ++i)
            if (t[i] == u'\r' && t[i + 1] == u'\n')
                breaks.push_back(scanFrom + i);
    }
    for (qint64 b : oldBreaks)
        if (b > offset + removed)
            breaks.push_back(b + delta);
    std::vector<int> lengths;
    qint64 from = start;
    for (qint64 b : breaks) {
        lengths.push_back(int(b - from));
        from = b + 2;
    }
    lengths.push_back(int(end - from));
    return lengths;
}

void DocumentRows::replaceParagraphs(int p0, int p1, const std::vector<int> &lengths)
{
    m_tree.replace(p0, p1 - p0 + 1, lengths);
    const int shift = int(lengths.size()) - (p1 - p0 + 1);
    std::map<int, std::unique_ptr<ParagraphRows>> kept;
    for (auto &[paragraph, rows] : m_long) {
        if (paragraph < p0)
            kept.emplace(paragraph, std::move(rows));
        else if (paragraph > p1)
            kept.emplace(paragraph + shift, std::move(rows));
    }
    m_long = std::move(kept);
    shiftCached(p0, p1, int(lengths.size()));
}

void DocumentRows::edit(qint64 offset, qint64 removed, qint64 inserted)
{
    const int p0 = m_tree.blockAtOffset(std::max<qint64>(0, offset - 1));
    const int p1 = m_tree.blockAtOffset(std::min(m_length, offset + removed + 1));
    const std::vector<int> lengths = newParagraphs(offset, removed, inserted, p0, p1);
    // An edit at a paragraph's start reaches back to the line break before it, but
    // leaves that break and the paragraph before it alone.
    const bool atStart = p1 == p0 + 1 && lengths.size() == 2 && offset >= m_tree.offsetOf(p1)
                         && lengths[0] == m_tree.at(p0).length;
    const int only = p0 == p1 && lengths.size() == 1 ? p0 : atStart ? p1 : -1;
    m_length += inserted - removed;
    const auto kept = only < 0 ? m_long.end() : m_long.find(only);
    if (kept != m_long.end() && lengths.back() >= kLongParagraph / 2) {
        // Within one long paragraph: only the rows the edit reaches are wrapped again.
        const qint64 local = offset - m_tree.offsetOf(only);
        m_tree.replace(only, 1, {lengths.back()});
        const TextSource text = paragraphText(only);
        kept->second->edit(m_setup, text, local, removed, inserted);
        if (kept->second->complete())
            m_tree.setRows(only, kept->second->rowCount());
        shiftCached(only, only, 1);
        return;
    }
    if (editAcrossBreaks(offset, removed, inserted, p0, p1, lengths))
        return;
    replaceParagraphs(p0, p1, lengths);
    countNew(p0, p0 + int(lengths.size()));
}

void DocumentRows::countNew(int from, int to)
{
    // An edit that makes many paragraphs (a whole text replaced) counts the first of
    // them at once; the rest are left to recountSome().
    qint64 left = kEditCountChars;
    for (int p = from; p < to && left > 0; ++p)
        if (m_tree.at(p).rows < 0)
            left -= countSome(p, kEditChars);
}

std::unique_ptr<ParagraphRows> DocumentRows::takeRows(int paragraph)
{
    const auto found = m_long.find(paragraph);
    if (found != m_long.end()) {
        std::unique_ptr<ParagraphRows> rows = std::move(found->second);
        m_long.erase(found);
        return rows;
    }
    // Read from the text as it is now: only the rows before the edit are kept from it.
    auto rows = std::make_unique<ParagraphRows>();
    const Starts &starts = shortStarts(paragraph);
    rows->assign(std::vector<qint64>(starts.begin(), starts.end()), m_tree.at(paragraph).length);
    return rows;
}

void DocumentRows::adopt(int paragraph, std::unique_ptr<ParagraphRows> rows)
{
    if (rows->complete())
        m_tree.setRows(paragraph, rows->rowCount());
    if (rows->length() >= kLongParagraph / 2)
        m_long[paragraph] = std::move(rows);
    else
        m_long.erase(paragraph);
}

// A line break made in a long paragraph or removed beside one: the rows before the
// edit come from the first old paragraph, those after it from the last, and only the
// rows around the edit are wrapped again.
bool DocumentRows::editAcrossBreaks(qint64 offset, qint64 removed, qint64 inserted, int p0, int p1,
                                    const std::vector<int> &lengths)
{
    if ((!longRows(p0) && !longRows(p1)) || m_tree.at(p0).rows < 0 || m_tree.at(p1).rows < 0)
        return false;
    const qint64 start = m_tree.offsetOf(p0);
    std::unique_ptr<ParagraphRows> head = takeRows(p0);
    if (p1 != p0) {
        // What lies between is all removed; a short last paragraph is wrapped again whole.
        const qint64 gap = m_tree.offsetOf(p1) - start - head->length();
        if (const ParagraphRows *next = longRows(p1))
            head->append(*next, gap);
        else
            head->extend(gap + m_tree.at(p1).length);
    }
    replaceParagraphs(p0, p1, lengths);
    const qint64 local = offset - start;
    const int last = p0 + int(lengths.size()) - 1;
    if (last == p0) {
        const TextSource text = paragraphText(p0);
        head->edit(m_setup, text, local, removed, inserted);
        adopt(p0, std::move(head));
        return true;
    }
    auto tail = std::make_unique<ParagraphRows>(*head);
    // The first paragraph is the old text up to the edit or its own break, then new text.
    const qint64 whole = head->length();
    const qint64 cut = std::min<qint64>(local, lengths.front());
    const TextSource firstText = paragraphText(p0);
    head->edit(m_setup, firstText, cut, whole - cut, lengths.front() - cut);
    // The last one ends in the old text that followed the edit.
    const qint64 lastStart = m_tree.offsetOf(last) - start;
    const qint64 keptFrom = local + removed; // old and new offsets of the first kept character
    const qint64 keptAt = local + inserted;
    const TextSource lastText = paragraphText(last);
    tail->edit(m_setup, lastText, 0, std::max(keptFrom, keptFrom + lastStart - keptAt),
               std::max<qint64>(0, keptAt - lastStart));
    adopt(p0, std::move(head));
    adopt(last, std::move(tail));
    countNew(p0 + 1, last);
    return true;
}

ParagraphRows &DocumentRows::partialRows(int paragraph)
{
    std::unique_ptr<ParagraphRows> &rows = m_long[paragraph];
    if (!rows) {
        rows = std::make_unique<ParagraphRows>();
        rows->restart(m_tree.at(paragraph).length);
    }
    return *rows;
}

// Counts a stale paragraph, a long one for about `chars` characters; returns what
// that cost, in characters.
qint64 DocumentRows::countSome(int paragraph, qint64 chars, QDeadlineTimer deadline)
{
    const BlockRows entry = m_tree.at(paragraph);
    if (entry.length < kLongParagraph) {
        m_long.erase(paragraph);
        m_tree.setRows(paragraph, int(shortStarts(paragraph).size()));
        return entry.length + kParagraphCost;
    }
    ParagraphRows &rows = partialRows(paragraph);
    const qint64 before = rows.knownEnd();
    if (rows.wrapSome(m_setup, paragraphText(paragraph), chars, deadline))
        m_tree.setRows(paragraph, rows.rowCount());
    return std::min(chars, rows.knownEnd() - before) + kParagraphCost;
}

void DocumentRows::forgetCached()
{
    for (CachedStarts &entry : m_cached)
        entry.paragraph = -1;
    m_cachedAt.clear();
}

void DocumentRows::shiftCached(int p0, int p1, int count)
{
    // Row starts count from the paragraph's start, so those of untouched paragraphs hold.
    m_cachedAt.clear();
    for (size_t i = 0; i < m_cached.size(); ++i) {
        CachedStarts &entry = m_cached[i];
        if (entry.paragraph >= p0 && entry.paragraph <= p1)
            entry.paragraph = -1;
        else if (entry.paragraph > p1)
            entry.paragraph += count - (p1 - p0 + 1);
        if (entry.paragraph >= 0)
            m_cachedAt[entry.paragraph] = i;
    }
}

const DocumentRows::Starts &DocumentRows::shortStarts(int paragraph)
{
    const auto found = m_cachedAt.find(paragraph);
    if (found != m_cachedAt.end())
        return m_cached[found->second].starts;
    if (m_cached.empty())
        m_cached.resize(kCachedParagraphs);
    CachedStarts &entry = m_cached[m_nextCached];
    m_cachedAt.erase(entry.paragraph);
    const QString text = m_text(m_tree.offsetOf(paragraph), m_tree.at(paragraph).length);
    entry.paragraph = -1; // until wrapped whole
    wrapShort(text, entry.starts);
    entry.paragraph = paragraph;
    m_cachedAt[paragraph] = m_nextCached;
    m_nextCached = (m_nextCached + 1) % m_cached.size();
    return entry.starts;
}

void DocumentRows::wrapShort(QStringView text, Starts &starts)
{
    if (fitsOneRow(text, m_setup.widths, m_setup.metrics)) {
        // Most paragraphs fit their row: no break opportunity of theirs can matter.
        starts.assign(1, 0);
        return;
    }
    m_breaks.assign(size_t(text.size()) + 1, 0);
    findBreaksInWords(text, m_breaks.data());
    wrapRows(text, m_setup.widths, m_breaks.data(), m_setup.metrics, starts);
}

ParagraphRows *DocumentRows::longRows(int paragraph)
{
    const auto found = m_long.find(paragraph);
    return found == m_long.end() ? nullptr : found->second.get();
}

bool DocumentRows::recountSome(qint64 chars, QDeadlineTimer deadline)
{
    for (qint64 spent = 0; spent < chars && (spent == 0 || !deadline.hasExpired());) {
        const int paragraph = m_tree.firstUncounted();
        if (paragraph < 0)
            return false;
        spent += m_tree.at(paragraph).length < kLongParagraph
                     ? countShortRun(paragraph, chars - spent, deadline)
                     : countSome(paragraph, chars - spent, deadline);
    }
    return m_tree.uncounted() > 0;
}

// Counts the stale short paragraphs that follow one another from `first` on, for about
// `chars` characters, their text read as one stretch rather than one read each.
qint64 DocumentRows::countShortRun(int first, qint64 chars, QDeadlineTimer deadline)
{
    const qint64 most = std::min(chars, kRunChars);
    int last = first;
    qint64 length = m_tree.at(first).length;
    for (; last + 1 < m_tree.blockCount() && length < most; ++last) {
        const BlockRows next = m_tree.at(last + 1);
        if (next.rows >= 0 || next.length >= kLongParagraph)
            break;
        length += 2 + next.length;
    }
    const QString text = m_text(m_tree.offsetOf(first), length);
    qint64 at = 0;
    qint64 cost = 0;
    bool measured = !m_setup.metrics.segments;
    for (int p = first; p <= last && (p == first || p % 8 != 0 || !deadline.hasExpired()); ++p) {
        const int n = m_tree.at(p).length;
        const quint64 misses = segmentStats().misses;
        wrapShort(QStringView(text).mid(at, n), m_runStarts);
        // The next paragraphs' misses shaped together, a bounded stretch ahead: a step
        // that counts only a few paragraphs before its deadline reads no more than that.
        if (!measured && segmentStats().misses > misses)
            measureSegments(QStringView(text).mid(at + n, kMeasureAhead), m_setup.metrics, deadline);
        measured = measured || segmentStats().misses > misses;
        m_long.erase(p);
        m_tree.setRows(p, int(m_runStarts.size()));
        at += n + 2;
        cost += n + kParagraphCost;
    }
    return cost;
}

bool DocumentRows::countRegion(qint64 from, qint64 to, qint64 chars, QDeadlineTimer deadline)
{
    from = std::clamp<qint64>(from, 0, m_length);
    to = std::clamp<qint64>(to, 0, m_length);
    const int first = m_tree.blockAtOffset(from);
    const int last = m_tree.blockAtOffset(to);
    qint64 spent = 0;
    for (int p = first; p <= last && p >= 0; ++p) {
        const BlockRows entry = m_tree.at(p);
        if (entry.rows >= 0)
            continue;
        if (spent >= chars || (spent > 0 && deadline.hasExpired()))
            return false;
        if (entry.length < kLongParagraph) {
            spent += countSome(p, chars - spent);
            continue;
        }
        // A long one only as far as the region reaches.
        ParagraphRows &rows = partialRows(p);
        const qint64 before = rows.knownEnd();
        const qint64 column = std::min<qint64>(to - m_tree.offsetOf(p), entry.length);
        const bool known = rows.wrapTo(m_setup, paragraphText(p), column, chars - spent, deadline);
        spent += rows.knownEnd() - before + kParagraphCost;
        if (rows.complete())
            m_tree.setRows(p, rows.rowCount());
        if (!known)
            return false;
    }
    return true;
}

qint64 DocumentRows::rowOfOffset(qint64 offset)
{
    offset = std::clamp<qint64>(offset, 0, m_length);
    const int paragraph = m_tree.blockAtOffset(offset);
    const BlockRows entry = m_tree.at(paragraph);
    const qint64 column = std::min<qint64>(offset - m_tree.offsetOf(paragraph), entry.length);
    if (entry.rows < 0)
        countRegion(offset, offset);
    qint64 row = 0;
    if (const ParagraphRows *rows = longRows(paragraph)) {
        row = rows->rowOfOffset(column);
    } else {
        const Starts &starts = shortStarts(paragraph);
        row = std::upper_bound(starts.begin(), starts.end(), column) - starts.begin() - 1;
    }
    return m_tree.rowsBefore(paragraph) + row;
}

qint64 DocumentRows::uncountedCharacters() const
{
    qint64 known = 0;
    for (const auto &[paragraph, rows] : m_long)
        if (!rows->complete())
            known += rows->knownEnd();
    return m_tree.uncountedLength() - known;
}

// Characters a row holds on average, from the rows counted so far: each paragraph
// is taken as one row plus one for every so many characters.
double DocumentRows::averageRowChars() const
{
    const qint64 counted = m_tree.blockCount() - m_tree.uncounted();
    const qint64 fullRows = m_tree.totalRows() - counted;
    const qint64 chars = m_tree.totalLength() - m_tree.uncountedLength();
    if (fullRows > 16)
        return double(chars) / double(fullRows);
    // Too few to tell: rows as full as the narrowest characters would make them, nearly.
    return m_setup.rowCharsHint > 0 ? 0.9 * double(m_setup.rowCharsHint) : 80.0;
}

// Rows of a partly counted paragraph: the old rows that stand in for the unknown
// ones are the better guess, else the rows known so far tell how full the others are.
double DocumentRows::partialGuess(const ParagraphRows &rows, double average) const
{
    if (rows.rowCount() > rows.knownRows())
        return double(rows.rowCount());
    return double(rows.knownRows())
           + double(rows.length() - rows.knownEnd()) / ownAverage(rows, average);
}

// Characters a known row of a partly counted paragraph holds, once there are enough.
double DocumentRows::ownAverage(const ParagraphRows &rows, double average)
{
    const int known = rows.knownRows();
    return known > 16 ? double(rows.knownEnd()) / double(known - 1) : average;
}

qint64 DocumentRows::estimatedTotalRows() const
{
    const double average = std::max(1.0, averageRowChars());
    double rows
        = double(m_tree.totalRows() + m_tree.uncounted()) + double(m_tree.uncountedLength()) / average;
    for (const auto &[paragraph, partial] : m_long)
        if (!partial->complete())
            rows += partialGuess(*partial, average) - (1.0 + double(partial->length()) / average);
    return qint64(rows + 0.5);
}

qint64 DocumentRows::estimatedRowOfOffset(qint64 offset)
{
    offset = std::clamp<qint64>(offset, 0, m_length);
    const int paragraph = m_tree.blockAtOffset(offset);
    const double average = std::max(1.0, averageRowChars());
    const RowTree::Uncounted stale = m_tree.uncountedBefore(paragraph);
    double rows = double(m_tree.rowsBefore(paragraph) + stale.blocks) + double(stale.length) / average;
    for (auto it = m_long.begin(); it != m_long.end() && it->first < paragraph; ++it)
        if (!it->second->complete())
            rows += partialGuess(*it->second, average) - (1.0 + double(it->second->length()) / average);
    const BlockRows entry = m_tree.at(paragraph);
    const qint64 column = std::min<qint64>(offset - m_tree.offsetOf(paragraph), entry.length);
    const auto found = m_long.find(paragraph);
    if (found != m_long.end() && (found->second->complete() || found->second->knownEnd() > column))
        return qint64(rows + 0.5) + found->second->rowOfOffset(column);
    if (entry.rows >= 0) // a short counted paragraph: its rows are wrapped again to tell
        return qint64(rows + 0.5) + rowOfOffset(offset) - m_tree.rowsBefore(paragraph);
    if (found != m_long.end())
        rows += found->second->knownRows() - 1
                + double(column - found->second->knownEnd()) / ownAverage(*found->second, average);
    else
        rows += double(column) / average;
    return qint64(rows + 0.5);
}

qint64 DocumentRows::rowStartOffset(qint64 row)
{
    const int paragraph = m_tree.blockAtRow(row);
    if (paragraph < 0)
        return -1;
    const qint64 local = row - m_tree.rowsBefore(paragraph);
    if (const ParagraphRows *rows = longRows(paragraph))
        return m_tree.offsetOf(paragraph) + rows->rowStart(int(local));
    return m_tree.offsetOf(paragraph) + shortStarts(paragraph)[size_t(local)];
}

RowSpan DocumentRows::rowSpan(qint64 offset)
{
    offset = std::clamp<qint64>(offset, 0, m_length);
    const int paragraph = m_tree.blockAtOffset(offset);
    const BlockRows entry = m_tree.at(paragraph);
    const qint64 start = m_tree.offsetOf(paragraph);
    const qint64 column = std::min<qint64>(offset - start, entry.length);
    // A long paragraph is wrapped until a known row starts past the offset: the row
    // holding it has a known end.
    if (entry.rows < 0)
        countRegion(offset, offset);
    if (const ParagraphRows *rows = longRows(paragraph)) {
        const int row = rows->rowOfOffset(column);
        const bool last = rows->complete() && row + 1 >= rows->rowCount();
        return {start + rows->rowStart(row), start + (last ? entry.length : rows->rowStart(row + 1)), last};
    }
    const Starts &starts = shortStarts(paragraph);
    const size_t row = size_t(std::upper_bound(starts.begin(), starts.end(), column) - starts.begin() - 1);
    const bool last = row + 1 >= starts.size();
    return {start + starts[row], start + (last ? entry.length : starts[row + 1]), last};
}

} // namespace wimblet
