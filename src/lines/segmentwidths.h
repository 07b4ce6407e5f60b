#pragma once
// Advances of segments, the pieces of text between two break opportunities (one CJK
// character, a word of another script, an emoji sequence), each shaped once and kept:
// counting rows then adds them up instead of shaping every row again. Kept per font (one
// cache per width table, on the thread that counts), in two generations of at most
// 14 MiB each: a segment not met in the young one since the old one was young is dropped.
// Everything is forgotten when the installed fonts or the screens change.

#include <QFont>
#include <QStringView>

#include <vector>

namespace wimblet {

struct SegmentWidth
{
    qint32 advance = 0;  // 1/64 px, as shaped alone, blanks after it aside
    qint32 overhang = 0; // how far its last glyph's ink reaches past its advance, 1/64 px
    qint32 blanks = 0;   // the blanks it ends in, if any
};

// A segment as a row meets it: its text, ending in the blanks that follow it when their
// width is not the primary font's; and, when it starts with characters of no script of
// their own (digits, punctuation, emoji, blanks), the script they take from the row
// before them (as its character `context`), which decides their font.
struct SegmentKey
{
    QStringView text;
    int blanks = 0;
    QStringView context; // empty when the segment starts with a script of its own
    quint16 script = 0;  // the context's script
};

// Lookups and what they found, on this thread since it began: for the benchmarks.
struct SegmentStats
{
    quint64 hits = 0;
    quint64 misses = 0;
    quint64 measured = 0; // segments shaped
    quint64 layouts = 0;  // layouts they were shaped in
    quint64 shapedRows = 0; // rows the sums could not tell, left to the shaper
};
SegmentStats segmentStats();
void noteShapedRow();

class SegmentWidths
{
public:
    explicit SegmentWidths(const QFont &font);
    ~SegmentWidths();
    SegmentWidths(const SegmentWidths &) = delete;
    SegmentWidths &operator=(const SegmentWidths &) = delete;

    // The segment's width, when it is known. Allocates nothing (unless the segment, met in
    // the old generation, is taken into the young one).
    bool find(const SegmentKey &key, SegmentWidth &width);
    // Shapes the segments not known yet together, in one layout, and keeps them.
    void measure(const std::vector<SegmentKey> &keys);

private:
    struct Slot;
    struct Generation;
    void insert(const SegmentKey &key, const SegmentWidth &width);

    QFont m_font;
    quint32 m_epoch;
    // Segments of one unit with no context (most CJK), looked up directly.
    std::vector<SegmentWidth> m_single;
    std::vector<quint8> m_singleKnown;
    std::vector<Generation> m_generations; // [0] young, [1] old
};

} // namespace wimblet
