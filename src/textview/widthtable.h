#pragma once
// The width of every UTF-16 unit in the view's font, in 1/64 px, and which of them the
// row arithmetic may be trusted with; rows holding any other are broken by the shaper.

#include "lines/charwidths.h"
#include "lines/rowshaper.h"
#include "lines/rowwalker.h"
#include "lines/segmentwidths.h"

#include <QFont>

#include <memory>
#include <vector>

namespace wimblet {

// A character has a width of its own when the primary font draws it one glyph after
// another at a fixed advance, whatever its neighbours: Latin, Greek, Cyrillic and the
// common punctuation, in a monospace font. Each character is measured when the rows
// first read it (seeText); until then it stands at a guess that nothing reads.
class WidthTable
{
public:
    explicit WidthTable(const QFont &font);

    const QFont &font() const { return m_font; }
    const qint32 *data() const { return m_widths.data(); }
    // The width of an ordinary character, in 1/64 px.
    qint32 charWidth() const { return m_charWidth; }
    // The setup for rows `lineWidth` px wide with tabs every `tabStop` px.
    WrapSetup setup(qreal lineWidth, qreal tabStop) const;
    // Measures the characters of `text` not measured yet; called on every text the
    // rows are worked out from, before they are.
    void seeText(QStringView text);

private:
    void measure(char16_t c);
    static quint8 kindOf(char16_t c);

    QFont m_font;
    CharWidths m_own;
    qint32 m_charWidth = 0;
    // No character is taken narrower, so that a row's most characters are known in advance.
    qint32 m_narrowest = 0;
    RowShaper m_shaper;
    std::vector<qint32> m_widths;
    std::vector<quint8> m_ownWidths;
    std::vector<quint8> m_kinds;
    std::vector<quint8> m_seen;
    // Advances of the segments met so far; used by whichever thread counts with the table.
    std::unique_ptr<SegmentWidths> m_segments;
};

} // namespace wimblet
