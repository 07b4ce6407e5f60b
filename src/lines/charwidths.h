#pragma once
// Widths of the characters that the text box lays out one glyph after another at
// a width of their own, measured once per font. Every other character (marks,
// controls, fallback-font glyphs, glyphs that reach past their advance, other
// scripts) is marked kNoWidth, and blocks holding one are left to the layout.

#include "lines/wraprows.h"

#include <QFont>
#include <QFontMetricsF>
#include <QRawFont>

#include <memory>
#include <vector>

namespace wimblet {

class CharWidths
{
public:
    explicit CharWidths(const QFont &font);

    const QFont &font() const { return m_font; }
    // 65536 entries in 1/64 pixel; kUnknownWidth until measure() has seen the character.
    const qint32 *table() const { return m_table.data(); }
    void measure(char16_t c);

private:
    bool mayHaveOwnWidth(char16_t c) const;
    qint32 laidOutAdvance(char16_t c) const;
    // Looks the font up when the first character is measured, not when made: a view
    // makes one for its default font before it is given its own.
    void open();

    QFont m_font;
    QRawFont m_primary;
    std::unique_ptr<QFontMetricsF> m_metrics;
    bool m_usable = false;
    std::vector<qint32> m_table;
};

} // namespace wimblet
