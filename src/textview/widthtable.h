#pragma once
// The width of every UTF-16 unit in the view's font, in 1/64 px, as the row wrapping
// needs them all known in advance.

#include "lines/rowwalker.h"

#include <QFont>
#include <QFontMetricsF>

#include <memory>

#include <vector>

namespace wimblet {

// Widths measured for the scripts the editor is mostly used with, at once; marks take
// the room they add after a letter (none where they ride on it). Any other character
// is measured when the rows first read it (seeText), as drawn: in whichever font it
// falls back to, or as the box of a character no font has. Until then it stands at a
// guess that nothing reads. Meant for a monospace font; a proportional one gets each
// character's own advance, kerning aside.
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
    void measureCommonRanges();
    void estimateTheRest();
    void measureUnseen(char16_t c);
    void measureOverhang(char16_t c);

    QFont m_font;
    qint32 m_charWidth = 0;
    // No character measured later is taken narrower, so that a row's most characters
    // are known in advance.
    qint32 m_narrowest = 0;
    std::vector<qint32> m_widths;
    std::vector<qint32> m_overhangs; // ink past the advance, 1/64 px
    std::vector<bool> m_unseen;
    std::unique_ptr<QFontMetricsF> m_metrics;
};

} // namespace wimblet
