#include "textview/shownchars.h"

namespace wimblet {

char16_t standInOf(char16_t c)
{
    switch (c) {
    // Glyphs common monospace fonts have, as the text box shows them.
    case u'\n':
        return 0x2193; // DOWNWARDS ARROW: the line feed moves down
    case u'\r':
        return 0x2190; // LEFTWARDS ARROW: the carriage return moves back
    case 0x2028:
        return 0x21B5; // DOWNWARDS ARROW WITH CORNER LEFTWARDS
    case 0x2029:
        return 0x00B6; // PILCROW
    default:
        return 0;
    }
}

bool applyStandIns(QString &text, QChar before, QChar after)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    // Most stretches hold nothing to turn: read before detaching.
    for (const QChar *s = text.constData(); i < n; ++i)
        if (standInOf(s[i].unicode()))
            break;
    if (i == n)
        return false;
    QChar *d = text.data();
    bool turned = false;
    for (; i < n; ++i) {
        const char16_t c = d[i].unicode();
        const char16_t standIn = standInOf(c);
        if (!standIn)
            continue;
        const QChar next = i + 1 < n ? d[i + 1] : after;
        const QChar previous = i > 0 ? d[i - 1] : before;
        if ((c == u'\r' && next == u'\n') || (c == u'\n' && previous == u'\r'))
            continue; // a line break, never drawn
        d[i] = QChar(standIn);
        turned = true;
    }
    return turned;
}

QString shownText(const TextStore &store, qint64 from, qint64 count)
{
    QString text = store.text(from, count);
    const QChar before = from > 0 ? store.at(from - 1) : QChar();
    applyStandIns(text, before, store.at(from + text.size()));
    return text;
}

} // namespace wimblet
