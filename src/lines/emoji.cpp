#include "lines/emoji.h"

#include <QRawFont>
#include <QTextCharFormat>

#include <algorithm>
#include <iterator>

namespace wimblet {

namespace {

// The colour emoji font (as Debian's fonts-noto-color-emoji installs it).
const QString &colourEmojiFamily()
{
    static const QString family = QStringLiteral("Noto Color Emoji");
    return family;
}

// The colour emoji font, invalid when it is not installed.
const QRawFont &colourEmojiFont()
{
    // Never destroyed: at exit the font database may go before a static would.
    static const QRawFont *font = [] {
        const QRawFont raw = QRawFont::fromFont(QFont(colourEmojiFamily()));
        return new QRawFont(raw.familyName() == colourEmojiFamily() ? raw : QRawFont());
    }();
    return *font;
}

// Whether the font has every character of the sequence but its variation selectors,
// which the shaping hides.
bool drawsAll(const QRawFont &font, QStringView sequence)
{
    for (const char32_t c : sequence.toUcs4())
        if ((c & ~char32_t(0xF)) != 0xFE00 && !font.supportsCharacter(c))
            return false;
    return true;
}

enum EmojiProperty : quint8 {
    Emoji = 1,
    Presentation = 2,
    Modifier = 4,
    ModifierBase = 8,
    Component = 16,
    Pictographic = 32,
};

struct PropertyRange
{
    char32_t first;
    char32_t last;
    quint8 flags;
};

constexpr PropertyRange kRanges[] = {
#include "lines/emojidata.inc"
};

constexpr char32_t kZwj = 0x200D;
constexpr char32_t kTextStyle = 0xFE0E;
constexpr char32_t kEmojiStyle = 0xFE0F;
constexpr char32_t kKeycap = 0x20E3;
constexpr char32_t kCancelTag = 0xE007F;

quint8 propertiesOf(char32_t c)
{
    if (c < u'#' || (c > u'9' && c < 0xA9) || (c > 0xAE && c < kZwj))
        return 0;
    const auto after = std::upper_bound(std::begin(kRanges), std::end(kRanges), c,
                                        [](char32_t v, const PropertyRange &r) { return v < r.first; });
    if (after == std::begin(kRanges))
        return 0;
    const PropertyRange &r = *std::prev(after);
    return c <= r.last ? r.flags : 0;
}

// Whether the unit may be part of an emoji sequence that draws differently from the
// text: every such sequence holds one of these (a keycap or a text-style character
// shown as emoji holds U+20E3 or U+FE0F).
bool mayBeEmoji(char16_t u)
{
    return (char16_t(u - 0x203C) <= 0x3299 - 0x203C) | (char16_t(u - 0xD800) <= 0xDFFF - 0xD800)
           | (u == kEmojiStyle);
}

// Whether any unit may be: a block at a time, without a branch inside, so that the
// compiler makes it one quick vector pass over plain text.
bool mayHoldEmoji(QStringView text)
{
    constexpr qsizetype kBlock = 64;
    const char16_t *units = text.utf16();
    qsizetype i = 0;
    for (; i + kBlock <= text.size(); i += kBlock) {
        char16_t any = 0;
        for (qsizetype j = 0; j < kBlock; ++j)
            any |= char16_t(mayBeEmoji(units[i + j]));
        if (any)
            return true;
    }
    return std::any_of(units + i, units + text.size(), mayBeEmoji);
}

bool isRegionalIndicator(char32_t c)
{
    return c >= 0x1F1E6 && c <= 0x1F1FF;
}

bool isKeycapBase(char32_t c)
{
    return (c >= u'0' && c <= u'9') || c == u'#' || c == u'*';
}

bool isTagSpec(char32_t c)
{
    return c >= 0xE0020 && c <= 0xE007E;
}

struct Points
{
    QStringView text;
    // The code point at `i` (a lone surrogate as itself), or 0 past the end.
    char32_t at(qsizetype i) const
    {
        if (i >= text.size())
            return 0;
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            return QChar::surrogateToUcs4(c, text[i + 1]);
        return c.unicode();
    }
    static qsizetype size(char32_t c) { return c > 0xFFFF ? 2 : 1; }
};

struct Element
{
    qsizetype end = 0; // 0: no element starts here
    bool emoji = false; // drawn as emoji even alone
};

// A pictograph with what may follow it: U+FE0F or a skin tone, then a tag sequence.
Element pictograph(const Points &p, qsizetype i, char32_t c, quint8 flags)
{
    Element e {i + Points::size(c), (flags & Presentation) != 0};
    const char32_t next = p.at(e.end);
    if (next == kTextStyle)
        return {e.end + 1, false};
    if (next == kEmojiStyle) {
        e = {e.end + 1, true};
    } else if ((flags & ModifierBase) && (propertiesOf(next) & Modifier)) {
        e = {e.end + 2, true};
    }
    qsizetype k = e.end;
    while (isTagSpec(p.at(k)))
        k += 2;
    if (k > e.end && p.at(k) == kCancelTag)
        e = {k + 2, true};
    return e;
}

Element element(const Points &p, qsizetype i)
{
    const char32_t c = p.at(i);
    if (isRegionalIndicator(c))
        return {isRegionalIndicator(p.at(i + 2)) ? i + 4 : i + 2, true};
    if (isKeycapBase(c)) {
        qsizetype j = i + 1;
        const bool styled = p.at(j) == kEmojiStyle;
        j += styled ? 1 : 0;
        if (p.at(j) == kKeycap)
            return {j + 1, true};
        return styled ? Element {j, true} : Element {};
    }
    const quint8 flags = propertiesOf(c);
    if (!(flags & (Emoji | Pictographic)))
        return {};
    return pictograph(p, i, c, flags);
}

} // namespace

QList<EmojiSequence> emojiSequences(QStringView text)
{
    QList<EmojiSequence> found;
    if (!mayHoldEmoji(text))
        return found;
    const Points p {text};
    for (qsizetype i = 0; i < text.size();) {
        Element e = element(p, i);
        if (!e.end) {
            i += Points::size(p.at(i));
            continue;
        }
        // Elements joined by ZWJs make one sequence, emoji whatever its parts alone.
        for (Element next; p.at(e.end) == kZwj && (next = element(p, e.end + 1)).end;)
            e = {next.end, true};
        if (e.emoji)
            found.push_back({i, e.end - i});
        i = e.end;
    }
    return found;
}

qsizetype keepEmojiWhole(QStringView text, qsizetype end)
{
    if (end <= 0 || end >= text.size() || (!mayBeEmoji(text[end - 1].unicode()) && !mayBeEmoji(text[end].unicode())))
        return end;
    for (const EmojiSequence &s : emojiSequences(text)) {
        if (s.start >= end)
            break;
        if (end < s.start + s.length)
            return s.start > 0 ? s.start : s.start + s.length;
    }
    return end;
}

QList<QTextLayout::FormatRange> emojiFormats(QStringView text)
{
    QList<QTextLayout::FormatRange> formats;
    const QList<EmojiSequence> sequences = emojiSequences(text);
    const QRawFont &font = colourEmojiFont();
    if (sequences.isEmpty() || !font.isValid())
        return formats;
    QTextCharFormat colour;
    colour.setFontFamilies(QStringList {colourEmojiFamily()});
    // Qt 6.4 takes U+FE0F, which the colour font maps to no glyph, from another font,
    // and so shapes a keycap or ❤️‍🔥 in two runs and draws it in pieces: the colour
    // font alone shapes each sequence it draws every character of.
    QTextCharFormat alone = colour;
    alone.setFontStyleStrategy(QFont::NoFontMerging);
    formats.reserve(sequences.size());
    for (const EmojiSequence &s : sequences) {
        const QTextCharFormat &format = drawsAll(font, text.mid(s.start, s.length)) ? alone : colour;
        // Sequences side by side share a range: fewer runs to shape.
        if (!formats.isEmpty() && formats.last().start + formats.last().length == s.start
            && formats.last().format == format)
            formats.last().length += int(s.length);
        else
            formats.push_back({int(s.start), int(s.length), format});
    }
    return formats;
}

} // namespace wimblet
