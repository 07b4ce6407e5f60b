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

namespace {

// A character that may be drawn as a stand-in or a replacement: a line break, a
// separator or half a surrogate pair.
inline bool mayTurn(char16_t c)
{
    if (c <= u'\r')
        return c == u'\n' || c == u'\r';
    return c == 0x2028 || c == 0x2029 || (c & 0xF800) == 0xD800;
}

} // namespace

bool isLoneSurrogate(QChar before, QChar c, QChar after)
{
    if (c.isHighSurrogate())
        return !after.isLowSurrogate();
    return c.isLowSurrogate() && !before.isHighSurrogate();
}

bool applyStandIns(QString &text, QChar before, QChar after)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    // Most stretches hold nothing to turn: read before detaching.
    for (const QChar *s = text.constData(); i < n; ++i)
        if (mayTurn(s[i].unicode()))
            break;
    if (i == n)
        return false;
    QChar *d = text.data();
    bool turned = false;
    QChar previous = i > 0 ? d[i - 1] : before; // as it was, before any turning
    for (; i < n; ++i) {
        const QChar c = d[i];
        if (!mayTurn(c.unicode())) {
            previous = c;
            continue; // nearly every character: passed over at once
        }
        const QChar next = i + 1 < n ? d[i + 1] : after;
        const QChar was = previous;
        previous = c;
        if (c.isSurrogate()) {
            if (isLoneSurrogate(was, c, next)) {
                d[i] = QChar::ReplacementCharacter;
                turned = true;
            }
            continue;
        }
        const char16_t standIn = standInOf(c.unicode());
        if (!standIn)
            continue;
        if ((c == u'\r' && next == u'\n') || (c == u'\n' && was == u'\r'))
            continue; // a line break, never drawn
        d[i] = QChar(standIn);
        turned = true;
    }
    return turned;
}

void replaceLoneSurrogates(QString &text)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i)
        if (text[i].isSurrogate()
            && isLoneSurrogate(i > 0 ? text[i - 1] : QChar(), text[i], i + 1 < n ? text[i + 1] : QChar()))
            text[i] = QChar::ReplacementCharacter;
}

QString shownText(const TextStore &store, qint64 from, qint64 count)
{
    QString text = store.text(from, count);
    const QChar before = from > 0 ? store.at(from - 1) : QChar();
    applyStandIns(text, before, store.at(from + text.size()));
    return text;
}

void applyReaderStandIns(QString &shown)
{
    shown.replace(QChar(u'\0'), QChar(kNulForReaders)); // detaches only when one is found
}

QString readerText(const TextStore &store, qint64 from, qint64 count)
{
    QString text = shownText(store, from, count);
    applyReaderStandIns(text);
    return text;
}

} // namespace wimblet
