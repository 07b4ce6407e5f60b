#include "textview/caretmotion.h"

#include "lines/wraprows.h"

#include <QList>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace wimblet {

namespace {

// A grapheme longer than a row ever draws (a letter under a pile of marks) is drawn
// cut, and the caret stops where it is cut: the one cluster the caret may stand inside.
constexpr qint64 kGraphemeWindow = 64;
constexpr qint64 kLongestGrapheme = kMostShownUnits;
// A word move or a double click looks this far; a longer word is crossed in steps.
constexpr qint64 kWordWindow = 2048;

bool isWordSeparator(QChar c)
{
    static const QString separators = QStringLiteral(".,?!@#$:;-<>[](){}=/+%&^*'\"`~|\\");
    return separators.contains(c);
}

bool isLineBreakAt(const TextStore &store, qint64 offset)
{
    return store.at(offset) == u'\r' && store.at(offset + 1) == u'\n';
}

// The text after `offset` up to kWordWindow units, cut before a CR LF.
QString wordWindowAfter(const TextStore &store, qint64 offset)
{
    QString text = store.text(offset, kWordWindow);
    const qsizetype cr = text.indexOf(QLatin1String("\r\n"));
    if (cr >= 0)
        text.truncate(cr);
    return text;
}

// The text before `offset` back to kWordWindow units, cut after a CR LF.
QString wordWindowBefore(const TextStore &store, qint64 offset)
{
    const qint64 from = std::max<qint64>(0, offset - kWordWindow);
    QString text = store.text(from, offset - from);
    const qsizetype lf = text.lastIndexOf(QLatin1String("\r\n"));
    if (lf >= 0)
        text.remove(0, lf + 2);
    return text;
}

// Whether the code point is an emoji-like pictograph (Extended_Pictographic). Qt's
// public API has no such property, but its grapheme rules join a pictograph, a ZWJ
// and another pictograph into one cluster, and no other character so.
bool isPictograph(char32_t c)
{
    const char32_t probe[] = {c, 0x200D, 0x1F600};
    const QString text = QString::fromUcs4(probe, 3);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    return finder.toNextBoundary() == text.size();
}

bool isRegionalIndicator(char32_t c)
{
    return c >= 0x1F1E6 && c <= 0x1F1FF;
}

bool isEmojiModifier(char32_t c)
{
    return c >= 0x1F3FB && c <= 0x1F3FF;
}

// Qt reads graphemes of Indic scripts, Thai, Tibetan, Myanmar and Khmer by the script's
// own syllables over the whole run of that script, and such a run takes in the emoji,
// digits and punctuation next to it (the characters of no script of their own join the
// run before them, or the one after at the text's start), where every unit then became
// a grapheme: after Thai, Left stopped inside a family emoji or a flag. And Qt 6.4 reads
// a flag right after a pictograph (😀🇮🇩) as two lone regional indicators. So the text
// is read a stretch at a time: each stretch is of one such script or of none of them,
// and a run of regional indicators starts one too. A stretch starts only where a
// letter does, never at a mark or a joiner, so it is a grapheme boundary.
int stretchOf(char32_t c, int before)
{
    const QChar::Script script = QChar::script(c);
    const bool mark = QChar::category(c) == QChar::Mark_NonSpacing
                      || QChar::category(c) == QChar::Mark_SpacingCombining
                      || QChar::category(c) == QChar::Mark_Enclosing;
    if (mark || script == QChar::Script_Inherited)
        return before;
    const bool tailored = (script >= QChar::Script_Devanagari && script <= QChar::Script_Sinhala)
                          || script == QChar::Script_Thai || script == QChar::Script_Tibetan
                          || script == QChar::Script_Myanmar || script == QChar::Script_Khmer;
    return tailored ? int(script) : 0;
}

// Where the stretches of `text` start, after 0.
template<typename Visit>
void forEachStretchStart(QStringView text, Visit visit)
{
    int stretch = -1;
    bool afterIndicator = false;
    for (qsizetype i = 0; i < text.size();) {
        char32_t c = text[i].unicode();
        qsizetype size = 1;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            size = 2;
        }
        const int next = stretchOf(c, std::max(stretch, 0));
        const bool flagStarts = isRegionalIndicator(c) && !afterIndicator;
        if (stretch >= 0 && (next != stretch || flagStarts) && !visit(i))
            return;
        stretch = next;
        afterIndicator = isRegionalIndicator(c);
        i += size;
    }
}

qsizetype firstStretchEnd(QStringView text)
{
    qsizetype end = text.size();
    forEachStretchStart(text, [&](qsizetype at) {
        end = at;
        return false;
    });
    return end;
}

qsizetype lastStretchStart(QStringView text)
{
    qsizetype start = 0;
    forEachStretchStart(text, [&](qsizetype at) {
        start = at;
        return true;
    });
    return start;
}

} // namespace

qint64 caretPlace(const TextStore &store, qint64 offset)
{
    offset = std::clamp<qint64>(offset, 0, store.length());
    if (offset == 0)
        return 0;
    const QChar before = store.at(offset - 1);
    const QChar here = store.at(offset);
    if ((before == u'\r' && here == u'\n') || (before.isHighSurrogate() && here.isLowSurrogate()))
        return offset - 1;
    return offset;
}

qint64 nextGrapheme(const TextStore &store, qint64 offset)
{
    const qint64 length = store.length();
    if (offset >= length)
        return length;
    if (isLineBreakAt(store, offset))
        return offset + 2;
    for (qint64 window = kGraphemeWindow;; window = std::min(4 * window, kLongestGrapheme)) {
        const QString text = store.text(offset, window);
        const QStringView stretch = QStringView(text).left(firstStretchEnd(text));
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, stretch);
        const qsizetype end = finder.toNextBoundary();
        const bool cut = end >= text.size() && offset + text.size() < length;
        if (!cut || window >= kLongestGrapheme)
            return offset + std::max<qsizetype>(1, end);
    }
}

qint64 previousGrapheme(const TextStore &store, qint64 offset)
{
    offset = std::min(offset, store.length());
    if (offset <= 0)
        return 0;
    if (offset >= 2 && isLineBreakAt(store, offset - 2))
        return offset - 2;
    for (qint64 window = kGraphemeWindow;; window = std::min(4 * window, kLongestGrapheme)) {
        qint64 from = std::max<qint64>(0, offset - window);
        if (from > 0 && store.at(from).isLowSurrogate())
            --from;
        const QString text = store.text(from, offset - from);
        const qsizetype stretch = lastStretchStart(text);
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, QStringView(text).mid(stretch));
        finder.toEnd();
        const qsizetype start = stretch + finder.toPreviousBoundary();
        if (start > 0 || from == 0 || window >= kLongestGrapheme)
            return caretPlace(store, from + std::max<qsizetype>(0, start));
    }
}

qint64 graphemeStartAt(const TextStore &store, qint64 offset)
{
    const qint64 next = nextGrapheme(store, offset);
    return next > offset ? std::min(offset, previousGrapheme(store, next)) : offset;
}

bool backspaceTakesWhole(QStringView grapheme)
{
    const QList<uint> points = grapheme.toUcs4();
    for (qsizetype i = 0; i < points.size(); ++i) {
        const char32_t c = points[i];
        if (isRegionalIndicator(c) || isEmojiModifier(c) || c == 0x20E3 || c == 0x200D)
            return true;
        if (c == 0xFE0F && i > 0 && isPictograph(points[i - 1]))
            return true;
    }
    return false;
}

qint64 backspaceStart(const TextStore &store, qint64 offset)
{
    offset = std::clamp<qint64>(offset, 0, store.length());
    const qint64 start = previousGrapheme(store, offset);
    if (offset - start < 2 || isLineBreakAt(store, start))
        return start;
    if (backspaceTakesWhole(store.text(start, offset - start)))
        return start;
    const bool pair = store.at(offset - 1).isLowSurrogate() && store.at(offset - 2).isHighSurrogate();
    return pair ? offset - 2 : offset - 1;
}

qint64 nextWordStart(const TextStore &store, qint64 offset)
{
    offset = std::clamp<qint64>(offset, 0, store.length());
    if (isLineBreakAt(store, offset))
        return offset + 2;
    const QString text = wordWindowAfter(store, offset);
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text[i].isSpace())
        ++i;
    if (i < n && isWordSeparator(text[i])) {
        while (i < n && isWordSeparator(text[i]))
            ++i;
    } else {
        while (i < n && !text[i].isSpace() && !isWordSeparator(text[i]))
            ++i;
    }
    while (i < n && text[i].isSpace())
        ++i;
    return caretPlace(store, offset + i);
}

qint64 previousWordStart(const TextStore &store, qint64 offset)
{
    offset = std::clamp<qint64>(offset, 0, store.length());
    if (offset >= 2 && isLineBreakAt(store, offset - 2))
        return offset - 2;
    const QString text = wordWindowBefore(store, offset);
    qsizetype i = text.size();
    while (i > 0 && text[i - 1].isSpace())
        --i;
    if (i > 0 && isWordSeparator(text[i - 1])) {
        while (i > 0 && isWordSeparator(text[i - 1]))
            --i;
    } else {
        while (i > 0 && !text[i - 1].isSpace() && !isWordSeparator(text[i - 1]))
            --i;
    }
    return caretPlace(store, offset - (text.size() - i));
}

Span wordAround(const TextStore &store, qint64 offset)
{
    offset = caretPlace(store, offset);
    const QString before = wordWindowBefore(store, offset);
    const QString after = wordWindowAfter(store, offset);
    const qint64 from = offset - before.size();
    const QString text = before + after;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
    finder.setPosition(before.size());
    qsizetype end = finder.isAtBoundary() ? before.size() : -1;
    qsizetype start = end;
    if (end < 0 || after.isEmpty()) {
        start = finder.toPreviousBoundary();
        finder.setPosition(before.size());
    }
    if (!after.isEmpty())
        end = finder.toNextBoundary();
    if (start < 0)
        start = 0;
    if (end < 0)
        end = before.size();
    return {from + start, from + end};
}

Span paragraphAround(const TextStore &store, qint64 offset)
{
    const qint64 line = store.lineOfOffset(std::clamp<qint64>(offset, 0, store.length()));
    const qint64 start = store.lineStart(line);
    return {start, start + store.lineLength(line)};
}

Span paragraphAndBreak(const TextStore &store, qint64 offset)
{
    const Span paragraph = paragraphAround(store, offset);
    return {paragraph.from, isLineBreakAt(store, paragraph.to) ? paragraph.to + 2 : paragraph.to};
}

} // namespace wimblet
