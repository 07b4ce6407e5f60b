#include "lines/charwidths.h"

#include "lines/countinglayout.h"

#include <QFontInfo>
#include <QTextLayout>

#include <cmath>

namespace wimblet {

namespace {

// Fonts whose glyph widths may change with their neighbours (kerning,
// spacing, case changes) are left to the layout altogether.
bool widthsAreIndependent(const QFont &font)
{
    return QFontInfo(font).fixedPitch() && font.letterSpacing() == 0
           && font.wordSpacing() == 0 && font.capitalization() == QFont::MixedCase;
}

bool isLeftToRight(QChar::Direction d)
{
    switch (d) {
    case QChar::DirL:
    case QChar::DirEN:
    case QChar::DirES:
    case QChar::DirET:
    case QChar::DirCS:
    case QChar::DirWS:
    case QChar::DirON:
        return true;
    default:
        return false;
    }
}

bool isPlainCategory(QChar::Category c)
{
    switch (c) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
        return false;
    default:
        return true;
    }
}

bool isPlainScript(QChar::Script s)
{
    return s == QChar::Script_Common || s == QChar::Script_Latin || s == QChar::Script_Greek
           || s == QChar::Script_Cyrillic;
}

} // namespace

CharWidths::CharWidths(const QFont &font)
    : m_font(font)
    , m_table(65536, kUnknownWidth)
{
}

void CharWidths::open()
{
    m_primary = QRawFont::fromFont(m_font);
    m_metrics = std::make_unique<QFontMetricsF>(m_font);
    m_usable = widthsAreIndependent(m_font) && m_primary.isValid();
}

bool CharWidths::mayHaveOwnWidth(char16_t c) const
{
    const QChar ch(c);
    if (c == u'\t' || (ch.isSpace() && c != u' '))
        return false;
    return isPlainCategory(ch.category()) && isPlainScript(ch.script())
           && isLeftToRight(ch.direction()) && m_primary.supportsCharacter(ch)
           && m_metrics->rightBearing(ch) >= 0; // no ink past the advance
}

qint32 CharWidths::laidOutAdvance(char16_t c) const
{
    // Where the second of two such characters starts is the advance the layout uses.
    const auto layout = countingLayout(QString(2, QChar(c)), m_font, QTextOption::WrapAtWordBoundaryOrAnywhere, 0);
    layout->beginLayout();
    QTextLine line = layout->createLine();
    if (!line.isValid()) {
        layout->endLayout();
        return kNoWidth;
    }
    line.setLineWidth(1e6);
    const qreal x = line.cursorToX(1);
    layout->endLayout();
    return qint32(std::lround(x * 64));
}

void CharWidths::measure(char16_t c)
{
    if (!m_metrics)
        open();
    qint32 width = kNoWidth;
    if (m_usable && mayHaveOwnWidth(c))
        width = std::max(kNoWidth, laidOutAdvance(c));
    m_table[c] = width;
}

} // namespace wimblet
