#include "textview/widthtable.h"

#include "lines/charwidths.h"
#include "textview/shownchars.h"

#include <QFontMetricsF>

#include <cmath>
#include <iterator>

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

// Ranges of wide East Asian characters, each with one of its characters to measure: a
// range is drawn from one font (the view's, or the one it falls back to), whose
// characters there all have one advance.
struct WideRange
{
    char16_t first, last, sample;
};

constexpr WideRange kWide[]
    = {{0x1100, 0x115F, 0x1100}, {0x2E80, 0x303E, 0x3001}, {0x3041, 0x33FF, 0x3042},
       {0x3400, 0x4DBF, 0x3400}, {0x4E00, 0x9FFF, 0x4E00}, {0xA000, 0xA4CF, 0xA000},
       {0xAC00, 0xD7A3, 0xAC00}, {0xF900, 0xFAFF, 0xF900}, {0xFE30, 0xFE4F, 0xFE30},
       {0xFF00, 0xFF60, 0xFF01}, {0xFFE0, 0xFFE6, 0xFFE0}};

const WideRange *wideRangeOf(char16_t c)
{
    for (const WideRange &r : kWide)
        if (c >= r.first && c <= r.last)
            return &r;
    return nullptr;
}

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
{
    m_charWidth = qint32(std::lround(QFontMetricsF(font).horizontalAdvance(QLatin1Char('x')) * 64));
    m_charWidth = std::max<qint32>(m_charWidth, 64);
    measureCommonRanges();
    estimateTheRest();
}

void WidthTable::measureCommonRanges()
{
    CharWidths measured(m_font);
    const QFontMetricsF metrics(m_font);
    const auto measure = [&](char16_t c) {
        measured.measure(c);
        qint32 w = measured.table()[c];
        // A font whose glyphs may change with their neighbours still has an advance
        // for each; the rows then follow it, kerning aside.
        if (w <= 0 && !takesNoRoom(c) && c != u'\t')
            w = qint32(std::lround(metrics.horizontalAdvance(QChar(c)) * 64));
        m_widths[c] = w;
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
    for (char16_t c : {u'\n', u'\r', char16_t(0x2028), char16_t(0x2029)})
        m_widths[c] = m_widths[standInOf(c)];
}

void WidthTable::estimateTheRest()
{
    // A wide range takes its sample's advance, as the layout draws it; two cells when
    // the font gives none.
    const QFontMetricsF metrics(m_font);
    qint32 wideWidths[std::size(kWide)];
    for (size_t i = 0; i < std::size(kWide); ++i) {
        const qreal advance = metrics.horizontalAdvance(QChar(kWide[i].sample));
        wideWidths[i] = advance > 0 ? qint32(std::lround(advance * 64)) : 2 * m_charWidth;
    }
    for (int c = 0; c < 65536; ++c) {
        qint32 &w = m_widths[size_t(c)];
        if (w > 0)
            continue;
        if (takesNoRoom(char16_t(c)))
            w = kNoWidth;
        else if (const WideRange *wide = wideRangeOf(char16_t(c)))
            w = wideWidths[wide - kWide];
        else if (QChar::isHighSurrogate(char16_t(c)))
            w = 2 * m_charWidth;
        else
            w = m_charWidth;
    }
    m_widths[u'\t'] = kNoWidth; // tabs reach the next tab stop instead
}

WrapSetup WidthTable::setup(qreal lineWidth, qreal tabStop) const
{
    WrapSetup s;
    s.widths = m_widths.data();
    s.metrics.lineWidth = std::max<qint64>(std::llround(lineWidth * 64), m_charWidth);
    s.metrics.tabStop = std::max<qint64>(std::llround(tabStop * 64), 64);
    s.rowCharsHint = rowCharsFor(s.widths, s.metrics.lineWidth);
    return s;
}

} // namespace wimblet
