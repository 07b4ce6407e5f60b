#include "textview/widthtable.h"

#include "textview/shownchars.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace wimblet {

namespace {

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
    , m_own(font)
    , m_charWidth(std::max<qint32>(64, qint32(std::lround(QFontMetricsF(font).horizontalAdvance(QLatin1Char('x')) * 64))))
    , m_narrowest(m_charWidth / 4)
    , m_shaper(font, m_charWidth)
    , m_widths(65536, kUnknownWidth)
    , m_ownWidths(65536, 0)
    , m_kinds(65536, kMeasured)
    , m_seen(65536, 0)
    , m_segments(std::make_unique<SegmentWidths>(font))
{
}

void WidthTable::seeText(QStringView text)
{
    for (const QChar c : text)
        if (!m_seen[c.unicode()])
            measure(c.unicode());
}

void WidthTable::measure(char16_t c)
{
    m_seen[c] = 1;
    if (const char16_t standIn = standInOf(c)) {
        // Drawn as its stand-in, it takes the stand-in's room.
        if (!m_seen[standIn])
            measure(standIn);
        m_widths[c] = m_widths[standIn];
        m_ownWidths[c] = m_ownWidths[standIn];
        m_kinds[c] = m_kinds[standIn];
        return;
    }
    m_kinds[c] = kindOf(c);
    if (c == u'\t') {
        m_widths[c] = kNoWidth; // tabs reach the next tab stop instead
        m_ownWidths[c] = 1;
        return;
    }
    m_own.measure(c);
    const qint32 own = m_own.table()[c];
    m_ownWidths[c] = own > 0;
    if (own > 0)
        m_widths[c] = own;
    else
        m_widths[c] = takesNoRoom(c) ? kNoWidth : m_charWidth; // a guess the shaper corrects
}

quint8 WidthTable::kindOf(char16_t c)
{
    if (c == u'\t' || c == 0x00AD || (c != u' ' && QChar::isSpace(char32_t(c)))
        || QChar::category(char32_t(c)) == QChar::Other_Control)
        return kShapedRow; // a soft hyphen shows when a row ends at it
    if (QChar::isSurrogate(c))
        return kMeasured;
    if ((c >= 0xFE00 && c <= 0xFE0F) || QChar::category(char32_t(c)) == QChar::Other_Format)
        return kIgnorable;
    return takesNoRoom(c) ? kMark : kMeasured;
}

WrapSetup WidthTable::setup(qreal lineWidth, qreal tabStop) const
{
    WrapSetup s;
    s.widths = m_widths.data();
    s.metrics.lineWidth = std::max<qint64>(std::llround(lineWidth * 64), m_charWidth);
    s.metrics.tabStop = std::max<qint64>(std::llround(tabStop * 64), 64);
    s.metrics.ownWidths = m_ownWidths.data();
    s.metrics.shaper = &m_shaper;
    s.metrics.kinds = m_kinds.data();
    s.metrics.segments = m_segments.get();
    // No character is taken narrower than m_narrowest.
    s.rowCharsHint = std::min<qint64>(s.metrics.lineWidth / m_narrowest + 1, qint64(1) << 20);
    return s;
}

} // namespace wimblet
