#include "textview/widthtable.h"

#include "lines/charwidths.h"
#include "textview/shownchars.h"

#include <QFontMetricsF>

#include <cmath>

namespace wimblet {

namespace {

struct Range
{
    char16_t first, last;
};

// Latin, Greek, Cyrillic, general punctuation, currency, arrows and box drawing: the
// characters of the editor's usual texts, measured one by one.
constexpr Range kMeasured[]
    = {{0x20, 0x7E},     {0xA0, 0x24F},    {0x370, 0x3FF},   {0x400, 0x4FF},  {0x1E00, 0x1EFF},
       {0x2000, 0x206F}, {0x20A0, 0x20CF}, {0x2100, 0x21FF}, {0x2500, 0x257F}};

// Combining marks: most ride on their letter, but those the font cannot attach are
// drawn after it with room of their own.
constexpr Range kMarks[]
    = {{0x300, 0x36F}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x20D0, 0x20FF}, {0xFE20, 0xFE2F}};

// Below this every character is measured at once.
constexpr char16_t kFirstUnseen = 0x250;

bool takesNoRoom(char16_t c)
{
    if (QChar::isLowSurrogate(c))
        return true; // its high surrogate carries the pair's width
    switch (QChar::category(char32_t(c))) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format:
        return true;
    default:
        return false;
    }
}

} // namespace

WidthTable::WidthTable(const QFont &font)
    : m_font(font)
    , m_widths(65536, kUnknownWidth)
    , m_overhangs(65536, 0)
    , m_unseen(65536, false)
    , m_metrics(std::make_unique<QFontMetricsF>(font))
{
    m_charWidth = qint32(std::lround(m_metrics->horizontalAdvance(QLatin1Char('x')) * 64));
    m_charWidth = std::max<qint32>(m_charWidth, 64);
    m_narrowest = m_charWidth / 4;
    measureCommonRanges();
    estimateTheRest();
}

void WidthTable::measureCommonRanges()
{
    CharWidths measured(m_font);
    const QFontMetricsF &metrics = *m_metrics;
    const auto measure = [&](char16_t c) {
        measured.measure(c);
        qint32 w = measured.table()[c];
        // A font whose glyphs may change with their neighbours still has an advance
        // for each; the rows then follow it, kerning aside.
        if (w <= 0 && !takesNoRoom(c) && c != u'\t')
            w = qint32(std::lround(metrics.horizontalAdvance(QChar(c)) * 64));
        m_widths[c] = w;
        measureOverhang(c);
    };
    for (const Range &r : kMeasured)
        for (char32_t c = r.first; c <= r.last; ++c)
            measure(char16_t(c));
    // A mark takes the room it adds after a letter, none where it rides on it.
    const qreal letter = metrics.horizontalAdvance(QLatin1Char('x'));
    for (const Range &r : kMarks)
        for (char32_t c = r.first; c <= r.last; ++c) {
            const QString pair = QLatin1Char('x') + QChar(char16_t(c));
            const qint32 w = qint32(std::lround((metrics.horizontalAdvance(pair) - letter) * 64));
            if (takesNoRoom(char16_t(c)) && w > 0)
                m_widths[c] = w;
        }
    // A character drawn as a stand-in takes the stand-in's room.
    for (char16_t c : {u'\n', u'\r', char16_t(0x2028), char16_t(0x2029)}) {
        m_widths[c] = m_widths[standInOf(c)];
        m_overhangs[c] = m_overhangs[standInOf(c)];
    }
}

void WidthTable::estimateTheRest()
{
    for (int c = 0; c < 65536; ++c) {
        qint32 &w = m_widths[size_t(c)];
        if (w > 0)
            continue;
        if (takesNoRoom(char16_t(c))) {
            w = kNoWidth;
        } else if (QChar::isHighSurrogate(char16_t(c))) {
            w = 2 * m_charWidth; // a whole pair's width is not one unit's
        } else {
            w = m_charWidth;
            m_unseen[size_t(c)] = c >= kFirstUnseen;
        }
    }
    m_widths[u'\t'] = kNoWidth; // tabs reach the next tab stop instead
}

void WidthTable::seeText(QStringView text)
{
    for (const QChar c : text)
        if (c.unicode() >= kFirstUnseen && m_unseen[c.unicode()])
            measureUnseen(c.unicode());
}

void WidthTable::measureUnseen(char16_t c)
{
    m_unseen[c] = false;
    // As a string, the character is shaped in the font that draws it, a fallback one
    // included.
    const qreal advance = m_metrics->horizontalAdvance(QString(QChar(c)));
    if (advance > 0)
        m_widths[c] = std::max(qint32(std::lround(advance * 64)), m_narrowest);
    measureOverhang(c);
}

void WidthTable::measureOverhang(char16_t c)
{
    const qreal bearing = m_metrics->rightBearing(QChar(c));
    m_overhangs[c] = bearing < 0 ? qint32(std::lround(-bearing * 64)) : 0;
}

WrapSetup WidthTable::setup(qreal lineWidth, qreal tabStop) const
{
    WrapSetup s;
    s.widths = m_widths.data();
    s.metrics.lineWidth = std::max<qint64>(std::llround(lineWidth * 64), m_charWidth);
    s.metrics.tabStop = std::max<qint64>(std::llround(tabStop * 64), 64);
    s.metrics.overhangs = m_overhangs.data();
    // Characters measured later are no narrower than m_narrowest.
    s.rowCharsHint = std::max(rowCharsFor(s.widths, s.metrics.lineWidth),
                              std::min<qint64>(s.metrics.lineWidth / m_narrowest + 1, qint64(1) << 20));
    return s;
}

} // namespace wimblet
