#include "support/displaytext.h"

namespace wimblet {

char16_t standInFor(char16_t original)
{
    switch (original) {
    // Glyphs that common monospace fonts have (the control pictures often lack).
    case u'\n': return 0x2193; // DOWNWARDS ARROW: the line feed moves down
    case u'\r': return 0x2190; // LEFTWARDS ARROW: the carriage return moves back
    case 0x2028: return 0x21B5; // DOWNWARDS ARROW WITH CORNER LEFTWARDS
    case 0x2029: return 0x00B6; // PILCROW
    default: return 0xFFFD;
    }
}

DisplayText toDisplayText(const QString &text)
{
    DisplayText out;
    const qsizetype n = text.size();
    const QChar *s = text.constData();
    qsizetype i = 0;
    // Most texts hold nothing to escape: share the buffer instead of copying.
    for (; i < n; ++i) {
        const char16_t c = s[i].unicode();
        if (!breaksBlock(c))
            continue;
        if (c == u'\r' && i + 1 < n && s[i + 1] == u'\n') {
            ++i;
            continue;
        }
        break;
    }
    out.text = text;
    if (i == n)
        return out;

    QChar *d = out.text.data(); // detaches once
    int pairsBefore = 0;
    for (qsizetype j = 0; j < n; ++j) {
        const char16_t c = d[j].unicode();
        if (!breaksBlock(c))
            continue;
        if (c == u'\r' && j + 1 < n && d[j + 1] == u'\n') {
            ++pairsBefore;
            ++j;
            continue;
        }
        out.escapes.push_back({int(j - pairsBefore), int(j), c});
        d[j] = QChar(standInFor(c));
    }
    return out;
}

QString fromDisplayText(const DisplayText &shown)
{
    QString out = shown.text;
    if (shown.escapes.isEmpty())
        return out;
    QChar *d = out.data();
    for (const Escape &e : shown.escapes)
        if (e.index >= 0 && e.index < out.size())
            d[e.index] = QChar(e.original);
    return out;
}

} // namespace wimblet
