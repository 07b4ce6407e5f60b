#include "lines/rowshaper.h"

#include "lines/countinglayout.h"
#include "lines/emoji.h"

#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace wimblet {

namespace {

// Units past a window's first line that must still be in the window for the line to
// stand: the break rules and shaping look this far ahead at most.
constexpr qsizetype kSettleAhead = 32;
constexpr qsizetype kFirstWindow = 128;

} // namespace

RowShaper::RowShaper(const QFont &font, qint64 charWidth)
    : m_font(font)
    , m_charWidth(charWidth)
{
}

int RowShaper::rowLength(QStringView text, qint64 lineWidth, qint64 tabStop, bool continues,
                         qsizetype firstWindow) const
{
    const qsizetype n = text.size();
    const qint64 rowChars = lineWidth / std::max<qint64>(1, m_charWidth);
    const qint64 guess = firstWindow > 0 ? firstWindow : std::max<qint64>(kFirstWindow, 2 * rowChars + kSettleAhead);
    qsizetype window = std::min<qint64>(n, guess);
    for (;;) {
        const bool whole = window == n && !continues;
        const auto layout = countingLayout(text.left(window).toString(), m_font,
                                           QTextOption::WrapAtWordBoundaryOrAnywhere, std::max<qint64>(64, tabStop));
        layout->beginLayout();
        QTextLine line = layout->createLine();
        line.setLineWidth(lineWidth / 64.0);
        const int length = int(keepEmojiWhole(layout->text(), line.textLength()));
        layout->endLayout();
        if (whole || length + kSettleAhead <= window)
            return std::max(1, length);
        if (window == n)
            return 0; // the row may reach past what the caller has read
        window = std::min(n, 2 * window);
    }
}

} // namespace wimblet
