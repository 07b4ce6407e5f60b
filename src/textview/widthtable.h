#pragma once
// The width of every UTF-16 unit in the view's font, in 1/64 px, as the row wrapping
// needs them all known in advance.

#include "lines/rowwalker.h"

#include <QFont>

#include <vector>

namespace wimblet {

// Widths measured for the scripts the editor is mostly used with; wide East Asian
// characters take the advance of one character of their range, marks the room they add
// after a letter (none where they ride on it), and the rest the font's character width,
// so rows of those may end a little short of, or past, the edge. Meant for a monospace
// font; a proportional one gets each character's own advance, kerning aside.
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

private:
    void measureCommonRanges();
    void estimateTheRest();

    QFont m_font;
    qint32 m_charWidth = 0;
    std::vector<qint32> m_widths;
};

} // namespace wimblet
