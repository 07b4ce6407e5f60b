#include "lines/segmentwidths.h"

#include "lines/countinglayout.h"

#include <QGuiApplication>
#include <QHash>
#include <QScreen>
#include <QTextLayout>
#include <QThread>

#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>

namespace wimblet {

namespace {

// A generation holds at most this many units of text and segments; then it grows old.
constexpr size_t kMostUnits = size_t(3) << 20;
constexpr size_t kMostSegments = size_t(1) << 17;
constexpr size_t kFirstSlots = 1024;

thread_local SegmentStats t_stats;

// Bumped when fonts or screens change: every cache forgets what it measured.
std::atomic<quint32> g_epoch {0};

void forgetAll()
{
    g_epoch.fetch_add(1, std::memory_order_relaxed);
}

void watchScreen(QScreen *screen)
{
    QObject::connect(screen, &QScreen::logicalDotsPerInchChanged, qGuiApp, forgetAll);
    QObject::connect(screen, &QScreen::physicalDotsPerInchChanged, qGuiApp, forgetAll);
}

void watchFontsAndScreens()
{
    static std::once_flag once;
    if (!qGuiApp || QThread::currentThread() != qGuiApp->thread())
        return;
    std::call_once(once, [] {
        QObject::connect(qGuiApp, &QGuiApplication::fontDatabaseChanged, qGuiApp, forgetAll);
        QObject::connect(qGuiApp, &QGuiApplication::primaryScreenChanged, qGuiApp, forgetAll);
        QObject::connect(qGuiApp, &QGuiApplication::screenAdded, qGuiApp, [](QScreen *screen) {
            watchScreen(screen);
            forgetAll();
        });
        for (QScreen *screen : QGuiApplication::screens())
            watchScreen(screen);
    });
}

// Segments are short: a multiply and a shift a unit beat a general-purpose hash.
quint64 hashOf(const SegmentKey &key)
{
    quint64 h = 0x9E3779B97F4A7C15ull ^ key.script;
    for (const QChar c : key.text)
        h = (h ^ c.unicode()) * 0xFF51AFD7ED558CCDull;
    return (h ^ (h >> 29)) | 1; // 0 marks an empty slot
}

qint32 toFixed(qreal px)
{
    return qint32(std::lround(px * 64));
}

} // namespace

SegmentStats segmentStats()
{
    return t_stats;
}

void noteShapedRow()
{
    ++t_stats.shapedRows;
}

struct SegmentWidths::Slot
{
    quint64 hash = 0;
    quint32 offset = 0;
    quint32 length = 0;
    quint32 script = 0;
    SegmentWidth width;
};

struct SegmentWidths::Generation
{
    std::vector<Slot> slots;
    std::vector<char16_t> text;
    size_t count = 0;

    const Slot *find(const SegmentKey &key, quint64 hash) const
    {
        const QStringView s = key.text;
        if (slots.empty())
            return nullptr;
        const size_t mask = slots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot &slot = slots[i];
            if (slot.hash == 0)
                return nullptr;
            if (slot.hash == hash && slot.length == size_t(s.size()) && slot.script == key.script
                && std::memcmp(text.data() + slot.offset, s.utf16(), s.size() * sizeof(char16_t)) == 0)
                return &slot;
        }
    }

    bool full(QStringView s) const
    {
        return count + 1 > kMostSegments || text.size() + size_t(s.size()) > kMostUnits;
    }

    void place(const Slot &slot)
    {
        const size_t mask = slots.size() - 1;
        size_t i = slot.hash & mask;
        while (slots[i].hash != 0)
            i = (i + 1) & mask;
        slots[i] = slot;
    }

    void add(const SegmentKey &key, quint64 hash, const SegmentWidth &width)
    {
        const QStringView s = key.text;
        if (2 * (count + 1) > slots.size()) {
            std::vector<Slot> old = std::move(slots);
            slots.assign(std::max(kFirstSlots, 2 * old.size()), Slot {});
            for (const Slot &slot : old)
                if (slot.hash != 0)
                    place(slot);
        }
        place(Slot {hash, quint32(text.size()), quint32(s.size()), key.script, width});
        text.insert(text.end(), s.utf16(), s.utf16() + s.size());
        ++count;
    }
};

SegmentWidths::SegmentWidths(const QFont &font)
    : m_font(font)
    , m_epoch(g_epoch.load(std::memory_order_relaxed))
    , m_generations(2)
{
    watchFontsAndScreens();
}

SegmentWidths::~SegmentWidths() = default;

bool SegmentWidths::find(const SegmentKey &segment, SegmentWidth &width)
{
    const quint32 epoch = g_epoch.load(std::memory_order_relaxed);
    if (epoch != m_epoch) {
        m_epoch = epoch;
        m_generations.assign(2, Generation {});
        m_singleKnown.clear();
    }
    const bool single = segment.text.size() == 1 && segment.context.isEmpty();
    if (single && !m_singleKnown.empty() && m_singleKnown[segment.text[0].unicode()]) {
        ++t_stats.hits;
        width = m_single[segment.text[0].unicode()];
        return true;
    }
    const quint64 hash = hashOf(segment);
    if (const Slot *young = m_generations[0].find(segment, hash)) {
        ++t_stats.hits;
        width = young->width;
        return true;
    }
    if (const Slot *old = m_generations[1].find(segment, hash)) {
        ++t_stats.hits;
        width = old->width;
        insert(segment, width); // met again: it stays young
        return true;
    }
    ++t_stats.misses;
    return false;
}

void SegmentWidths::insert(const SegmentKey &segment, const SegmentWidth &width)
{
    if (segment.text.size() == 1 && segment.context.isEmpty()) {
        if (m_singleKnown.empty()) {
            m_single.assign(65536, SegmentWidth {});
            m_singleKnown.assign(65536, 0);
        }
        m_single[segment.text[0].unicode()] = width;
        m_singleKnown[segment.text[0].unicode()] = 1;
        return;
    }
    if (m_generations[0].full(segment.text)) {
        m_generations[1] = std::move(m_generations[0]);
        m_generations[0] = Generation {};
    }
    m_generations[0].add(segment, hashOf(segment), width);
}

void SegmentWidths::measure(const std::vector<SegmentKey> &keys)
{
    if (keys.empty())
        return;
    // One line each, as a line separator ends the line and the shaping, yet not the
    // script that characters of none take from before them: each segment follows its
    // context's character, and its blanks are measured as a line with them and one without.
    QString joined;
    const auto addLine = [&](QStringView line) {
        if (!joined.isEmpty())
            joined += QChar(QChar::LineSeparator);
        joined += line;
    };
    for (const SegmentKey &key : keys) {
        if (!key.context.isEmpty())
            addLine(key.context);
        addLine(key.text.left(key.text.size() - key.blanks));
        if (key.blanks > 0)
            addLine(key.text);
    }
    // The last line would count its trailing blanks otherwise than the others: every
    // line measured ends in a separator.
    addLine(u"x");
    const auto layout = countingLayout(joined, m_font, QTextOption::NoWrap, 0);
    QTextOption option = layout->textOption();
    option.setFlags(QTextOption::IncludeTrailingSpaces);
    layout->setTextOption(option);
    layout->beginLayout();
    std::vector<QTextLine> lines;
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLineWidth(1e6);
        lines.push_back(line);
    }
    layout->endLayout();
    ++t_stats.layouts;
    size_t at = 0;
    qsizetype start = 0;
    const auto lineOf = [&](qsizetype length) -> const QTextLine * {
        if (at >= lines.size() || lines[at].textStart() != start || lines[at].textLength() < length)
            return nullptr; // laid out otherwise than one a line: left to the shaper
        start += length + 1;
        return &lines[at++];
    };
    for (const SegmentKey &key : keys) {
        if (!key.context.isEmpty() && !lineOf(key.context.size()))
            return;
        const QTextLine *word = lineOf(key.text.size() - key.blanks);
        const QTextLine *withBlanks = key.blanks > 0 ? lineOf(key.text.size()) : word;
        if (!word || !withBlanks)
            return;
        const quint64 hash = hashOf(key);
        const bool single = key.text.size() == 1 && key.context.isEmpty() && !m_singleKnown.empty();
        if ((single && m_singleKnown[key.text[0].unicode()]) || m_generations[0].find(key, hash)
            || m_generations[1].find(key, hash))
            continue; // met twice in the batch
        // The natural width holds the last glyph's ink past its advance, which a row
        // must have room for too; with trailing blanks, it holds them after that.
        SegmentWidth width;
        width.advance = toFixed(word->horizontalAdvance());
        width.overhang = std::max(0, toFixed(word->naturalTextWidth()) - width.advance);
        width.blanks = toFixed(withBlanks->naturalTextWidth() - word->naturalTextWidth());
        insert(key, width);
        ++t_stats.measured;
    }
}

} // namespace wimblet
