#include "lines/summedrows.h"

#include "lines/segmentwidths.h"

#include <QString>

#include <algorithm>

namespace wimblet {

namespace {

// How far a sum may stray from the width the layout finds: glyph positions are whole
// 1/64 px. A segment whose end comes this near the edge is left to the shaper.
constexpr qint64 kDrift = 16;
// Of a longer run of characters of no width inside a segment, only this many are shaped:
// the rest add nothing to its width.
constexpr int kZeroRun = 16;
// Misses are shaped together: the segments after one, up to this many units, with it.
constexpr int kBatchUnits = 4096;
constexpr size_t kBatchSegments = 512;
// A row's neutral characters take the first script after them only if the row reaches it:
// it is looked for this far.
constexpr int kAheadUnits = 256;
// The shaper's own look-ahead past a row's end.
constexpr int kSettleUnits = 32;
// A segment too wide for a row is broken between grapheme clusters found this far at first.


bool isBlankOrTab(QChar c)
{
    return c == u' ' || c == u'\t';
}

// The scripts drawn in the primary font, where its blanks and own widths hold.
bool isPlainScript(QChar::Script s)
{
    return s <= QChar::Script_Common || s == QChar::Script_Latin || s == QChar::Script_Greek
           || s == QChar::Script_Cyrillic;
}

bool isMark(char32_t c)
{
    const QChar::Category k = QChar::category(c);
    return k == QChar::Mark_NonSpacing || k == QChar::Mark_SpacingCombining || k == QChar::Mark_Enclosing;
}

// One row read segment by segment, with the script the layout gives each character:
// characters of no script of their own (digits, punctuation, blanks, emoji) take the
// script before them in the row, or at its start the first one after them.
struct RowScan
{
    QStringView text;
    const qint32 *widths;
    const quint8 *breakBefore;
    const RowMetrics &m;
    int from;
    QChar::Script script = QChar::Script_Common; // the row's script so far
    int scriptAt = -1;   // where it began
    int firstReal = -2;  // the row's first character of a script of its own; -1: none in
                         // view; -3: none within kAheadUnits
    bool usedAhead = false;

    char32_t at(int i, int *units = nullptr) const
    {
        const char16_t c = text[i].unicode();
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        if (units)
            *units = pair ? 2 : 1;
        return pair ? QChar::surrogateToUcs4(c, text[i + 1].unicode()) : char32_t(c);
    }

    int endOf(int pos) const
    {
        const int n = int(text.size());
        int end = pos + 1;
        while (end < n && !isBlankOrTab(text[end]) && !breakBefore[end])
            ++end;
        return end;
    }

    int ahead()
    {
        if (firstReal == -2) {
            firstReal = from + kAheadUnits < text.size() ? -3 : -1;
            const int end = int(std::min<qsizetype>(text.size(), from + kAheadUnits));
            for (int i = from, units = 1; i < end; i += units) {
                if (QChar::script(at(i, &units)) > QChar::Script_Common) {
                    firstReal = i;
                    break;
                }
            }
        }
        return firstReal;
    }

    // The script a character of none takes here, and the character that sets it.
    int contextAt()
    {
        if (script > QChar::Script_Common)
            return scriptAt;
        usedAhead = true;
        return ahead();
    }

    QChar::Script scriptOf(int context) const
    {
        return context < 0 ? QChar::Script_Common : QChar::script(at(context));
    }

    void read(int pos, int end)
    {
        for (int i = pos, units = 1; i < end; i += units) {
            const quint8 kind = m.kinds[text[i].unicode()];
            if (kind == kIgnorable || (kind == kMark && script > QChar::Script_Common)) {
                units = 1; // a mark never takes its base's script away, nor a joiner any
                continue;
            }
            const char32_t c = at(i, &units);
            const QChar::Script s = QChar::script(c);
            if (s <= QChar::Script_Common || s == script)
                continue;
            if (script <= QChar::Script_Common || !isMark(c)) {
                script = s;
                scriptAt = i;
            }
        }
    }

    // Whether the layout would read the row ending at `end` otherwise than the sum assumed:
    // a row with no script of its own whose neutral characters were measured with a later
    // one's, or one that reaches past where a script was looked for.
    bool misread(int end) const
    {
        if (script > QChar::Script_Common || !usedAhead || firstReal == -1)
            return false;
        if (firstReal >= 0)
            return true;
        for (int i = from + kAheadUnits, units = 1; i < end; i += units)
            if (QChar::script(at(i, &units)) > QChar::Script_Common)
                return true;
        return false;
    }
};

enum class Kind { Own, Ignorable, Measured, Shaped };

bool isIgnorable(const RowMetrics &m, QStringView segment)
{
    return std::all_of(segment.begin(), segment.end(), [&](QChar c) { return m.kinds[c.unicode()] == kIgnorable; });
}

Kind kindOf(const RowScan &r, QStringView segment, bool *longRun)
{
    bool own = true;
    bool ignorable = true;
    int run = 0;
    *longRun = false;
    for (const QChar c : segment) {
        const quint8 kind = r.m.kinds[c.unicode()];
        if (kind == kShapedRow)
            return Kind::Shaped;
        own = own && r.m.ownWidths[c.unicode()];
        ignorable = ignorable && kind == kIgnorable;
        run = kind == kIgnorable || kind == kMark ? run + 1 : 0;
        *longRun = *longRun || run > kZeroRun;
    }
    return own ? Kind::Own : ignorable ? Kind::Ignorable : Kind::Measured;
}

// The segment with its runs of no width cut short, and its blanks after it.
QStringView cutText(const RowScan &r, QStringView segment, QStringView blanks, QString &buffer)
{
    buffer.clear();
    int run = 0;
    for (const QChar c : segment) {
        const quint8 kind = r.m.kinds[c.unicode()];
        run = kind == kIgnorable || kind == kMark ? run + 1 : 0;
        if (run <= kZeroRun)
            buffer += c;
    }
    buffer += blanks;
    return buffer;
}

struct Piece
{
    int pos = 0;
    int end = 0;   // the segment's end
    int blanks = 0; // blanks after it
};

// Adds to `missing` the segments from `at` to `stop` that are not known yet, each with
// the script before it as `r` reads it; stops at kBatchSegments. Returns where it stopped.
int collectMisses(RowScan &r, int at, int stop, std::vector<SegmentKey> &missing)
{
    const int n = int(r.text.size());
    while (at < stop && missing.size() < kBatchSegments) {
        if (isBlankOrTab(r.text[at])) {
            ++at;
            continue;
        }
        const int end = r.endOf(at);
        int blankEnd = end;
        while (blankEnd < n && r.text[blankEnd] == u' ')
            ++blankEnd;
        if (blankEnd == n)
            return n; // perhaps cut short by the view
        const bool neutral = QChar::script(r.at(at)) <= QChar::Script_Common;
        const int context = neutral ? r.scriptAt : -1;
        r.read(at, end);
        bool longRun = false;
        if (kindOf(r, r.text.mid(at, end - at), &longRun) == Kind::Measured && !longRun
            && (!neutral || context >= 0)) {
            const bool plainBlanks = isPlainScript(r.script);
            SegmentKey key {r.text.mid(at, (plainBlanks ? end : blankEnd) - at), plainBlanks ? 0 : blankEnd - end, {}, 0};
            if (context >= 0)
                key.context = r.text.mid(context, QChar::requiresSurrogates(r.at(context)) ? 2 : 1);
            key.script = quint16(r.scriptOf(context));
            SegmentWidth known;
            if (!r.m.segments->find(key, known))
                missing.push_back(key);
        }
        at = blankEnd;
    }
    return at;
}

// Shapes, in one layout with `first`, the segments after it that are not known yet.
void measureFrom(RowScan r, const Piece &piece, const SegmentKey &first)
{
    std::vector<SegmentKey> missing {first};
    r.read(piece.pos, piece.end);
    collectMisses(r, piece.end + piece.blanks, std::min(int(r.text.size()), piece.pos + kBatchUnits), missing);
    r.m.segments->measure(missing);
}

// The width of a segment and of the blanks after it, or false when only shaping can tell.
bool widthOf(RowScan &r, const Piece &piece, SegmentWidth &width)
{
    const QStringView segment = r.text.mid(piece.pos, piece.end - piece.pos);
    bool longRun = false;
    const Kind kind = kindOf(r, segment, &longRun);
    if (kind == Kind::Shaped)
        return false;
    const bool neutral = QChar::script(r.at(piece.pos)) <= QChar::Script_Common;
    const int context = neutral ? r.contextAt() : -1;
    const RowScan before = r;
    r.read(piece.pos, piece.end);
    const bool plainBlanks = isPlainScript(r.script > QChar::Script_Common ? r.script : r.scriptOf(r.contextAt()));
    width = {};
    width.blanks = qint32(r.widths[u' '] * piece.blanks);
    if ((kind == Kind::Own && (!neutral || isPlainScript(r.scriptOf(context))) && plainBlanks)
        || (kind == Kind::Ignorable && plainBlanks)) {
        for (const QChar c : segment)
            width.advance += kind == Kind::Own ? r.widths[c.unicode()] : 0;
        return true;
    }
    const QStringView blanks = r.text.mid(piece.end, plainBlanks ? 0 : piece.blanks);
    thread_local QString buffer;
    SegmentKey key {longRun ? cutText(r, segment, blanks, buffer) : r.text.mid(piece.pos, piece.end - piece.pos + blanks.size()),
                    int(blanks.size()), {}, 0};
    if (key.text.size() > kMostShownUnits)
        return false;
    if (context >= 0)
        key.context = r.text.mid(context, QChar::requiresSurrogates(r.at(context)) ? 2 : 1);
    key.script = quint16(r.scriptOf(context));
    const qint32 primaryBlanks = width.blanks;
    if (!r.m.segments->find(key, width)) {
        // Characters of no script with none in the row take none: shaped alone.
        if (neutral && context < 0)
            r.m.segments->measure({key});
        else
            measureFrom(before, piece, key);
        if (!r.m.segments->find(key, width))
            return false;
    }
    if (plainBlanks)
        width.blanks = primaryBlanks;
    return true;
}

} // namespace

void measureSegments(QStringView text, const RowMetrics &metrics, QDeadlineTimer deadline)
{
    std::vector<quint8> breaks(size_t(text.size()) + 1, 0);
    findBreaksInWords(text, breaks.data());
    RowScan r {text, nullptr, breaks.data(), metrics, 0};
    std::vector<SegmentKey> missing;
    for (int at = 0; at < text.size() && !deadline.hasExpired();) {
        missing.clear();
        at = collectMisses(r, at, int(text.size()), missing);
        metrics.segments->measure(missing);
    }
}

int summedRowLength(QStringView text, const qint32 *widths, const quint8 *breakBefore,
                    const RowMetrics &metrics, int from, bool continues, int *shaperReach)
{
    RowScan r {text, widths, breakBefore, metrics, from};
    const int n = int(text.size());
    const qint64 limit = metrics.lineWidth;
    if (text[from] == u' ')
        return -1; // blanks that start a paragraph take the script after them
    qint64 x = 0;          // the row's width up to its last segment
    qint64 blanks = 0;     // the blanks read after it
    bool any = false;
    for (int pos = from; pos < n;) {
        if (text[pos] == u'\t')
            return -1;
        Piece piece {pos, r.endOf(pos), 0};
        while (piece.end + piece.blanks < n && text[piece.end + piece.blanks] == u' ')
            ++piece.blanks;
        if (piece.end + piece.blanks == n && continues)
            return 0; // the segment, or the blanks that hang after it, may go on
        SegmentWidth width; // nothing to draw, and no script to take or give, for those of no width
        const bool ignorable = piece.blanks == 0 && isIgnorable(metrics, text.mid(pos, piece.end - pos));
        if (!ignorable && pos > from && metrics.kinds[text[pos].unicode()] != kMeasured)
            return -1; // a joiner or mark after a break may join the segments around it
        if (!ignorable && !widthOf(r, piece, width))
            return -1;
        const qint64 reach = x + blanks + width.advance;
        if (any && reach - kDrift > limit)
            return r.misread(pos) ? -1 : pos - from; // the segment starts the next row
        if (reach + width.overhang + kDrift > limit) {
            // Near the edge, or the first segment too wide for a row: the row ends
            // around here, unless characters of no width follow.
            if (any && shaperReach)
                *shaperReach = piece.end + piece.blanks - from + 2 * kSettleUnits;
            return -1;
        }
        // Blanks past the edge hang there: the next segment starts the next row.
        x = reach;
        blanks = width.blanks;
        any = true;
        pos = piece.end + piece.blanks;
    }
    return continues ? 0 : r.misread(n) ? -1 : n - from;
}

} // namespace wimblet
