#include "encoding/utf8evidence.h"

#include "encoding/utf8kernels.h"

#include <algorithm>
#include <array>
#include <vector>

namespace wimblet {

namespace {

using Kind = Utf8Neighbour::Kind;

char32_t codePointOf(const uchar *p, int length)
{
    static constexpr uchar kLeadMask[5] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t c = p[0] & kLeadMask[length];
    for (int i = 1; i < length; ++i)
        c = c << 6 | (p[i] & 0x3F);
    return c;
}

// What the judging asks of a character, looked up in tables made once (below):
// Qt's property lookups would otherwise cost more than the rest of the walk.
struct Traits {
    QChar::Category category : 8;
    QChar::Script letterScript : 8;
};

// ASCII as far as judging goes: letters, digits, the space, controls and the rest
// as punctuation.
constexpr std::array<Traits, 0x80> kAsciiTraits = [] {
    std::array<Traits, 0x80> table{};
    for (char32_t c = 0; c < 0x80; ++c) {
        const char32_t folded = c | 0x20;
        if (folded >= 'a' && folded <= 'z')
            table[c] = {c < 'a' ? QChar::Letter_Uppercase : QChar::Letter_Lowercase,
                        QChar::Script_Latin};
        else if (c >= '0' && c <= '9')
            table[c] = {QChar::Number_DecimalDigit, QChar::Script_Unknown};
        else if (c == ' ')
            table[c] = {QChar::Separator_Space, QChar::Script_Unknown};
        else if (c < 0x20 || c == 0x7F)
            table[c] = {QChar::Other_Control, QChar::Script_Unknown};
        else
            table[c] = {QChar::Punctuation_Other, QChar::Script_Unknown};
    }
    return table;
}();

Traits lookUpTraits(char32_t c)
{
    if (c < 0x80)
        return kAsciiTraits[c];
    const QChar::Category category = QChar::category(c);
    const bool counts = QChar::isLetterOrNumber(c) || category == QChar::Mark_NonSpacing
            || category == QChar::Mark_SpacingCombining || category == QChar::Mark_Enclosing;
    if (!counts)
        return {category, QChar::Script_Unknown};
    switch (const QChar::Script script = QChar::script(c)) {
    case QChar::Script_Common:
    case QChar::Script_Inherited:
    case QChar::Script_Unknown:
        return {category, QChar::Script_Unknown};
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Hangul:
    case QChar::Script_Bopomofo:
        return {category, QChar::Script_Han};
    default:
        return {category, script};
    }
}

// The Basic Multilingual Plane's traits in one table, made on first use (128 KiB,
// about a millisecond); the rarer supplementary planes keep the characters met lately.
Traits lookUpSupplementaryTraits(char32_t c)
{
    struct Slot {
        char32_t key;
        Traits traits;
    };
    static constexpr char32_t kSlots = 1024;
    thread_local Slot cache[kSlots] = {}; // a key of 0 is empty: 0 is in the table
    Slot &slot = cache[c % kSlots];
    if (slot.key != c)
        slot = {c, lookUpTraits(c)};
    return slot.traits;
}

// The Basic Multilingual Plane's traits, made on first use (about a millisecond):
// a block of 128 characters that all share theirs (the ideographs, Hangul) is one
// entry, so a text of them reads a table that stays in the nearest cache.
class PlaneTraits
{
public:
    PlaneTraits() : m_traits(0x10000)
    {
        for (char32_t c = 0; c < 0x10000; ++c)
            m_traits[c] = lookUpTraits(c);
        for (char32_t block = 0; block < kBlocks; ++block) {
            const auto first = m_traits.begin() + block * kBlock;
            m_uniform[block] = std::all_of(first, first + kBlock, [&](Traits t) {
                return t.category == first->category && t.letterScript == first->letterScript;
            });
        }
    }

    Traits operator[](char32_t c) const
    {
        return m_uniform[c / kBlock] ? m_traits[c & ~(kBlock - 1)] : m_traits[c];
    }

private:
    static constexpr char32_t kBlock = 128;
    static constexpr char32_t kBlocks = 0x10000 / kBlock;
    std::vector<Traits> m_traits;
    std::array<bool, kBlocks> m_uniform{};
};

inline Traits traitsOf(char32_t c)
{
    if (c < 0x80)
        return kAsciiTraits[c]; // ASCII text never makes the table below
    static const PlaneTraits plane;
    return c < 0x10000 ? plane[c] : lookUpSupplementaryTraits(c);
}

bool isLetterCategory(QChar::Category category)
{
    return category >= QChar::Letter_Uppercase && category <= QChar::Letter_Other;
}

bool isMarkCategory(QChar::Category category)
{
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining
            || category == QChar::Mark_Enclosing;
}

bool isLetter(const Utf8Neighbour &n)
{
    return n.kind == Kind::Char && isLetterCategory(traitsOf(n.c).category);
}

bool isUpper(const Utf8Neighbour &n)
{
    return n.kind == Kind::Char && traitsOf(n.c).category == QChar::Letter_Uppercase;
}

bool isLower(const Utf8Neighbour &n)
{
    return n.kind == Kind::Char && traitsOf(n.c).category == QChar::Letter_Lowercase;
}

// The Windows-1252 bytes that end a word as the next character: a closing
// quote, a dash, an ellipsis, a guillemet, a no-break space before French
// punctuation, and marks such as ™ ® °.
constexpr std::array<bool, 256> kEndsWord = [] {
    std::array<bool, 256> table{};
    for (const uchar byte : {0x85, 0x8B, 0x91, 0x92, 0x93, 0x94, 0x96, 0x97, 0x99, 0x9B, 0xA0,
                             0xAB, 0xAE, 0xB0, 0xBB})
        table[byte] = true;
    return table;
}();

// An apostrophe, a dash or an ellipsis may run on into the next word; the
// other word ends need something else after them.
bool runsOn(uchar byte)
{
    return byte == 0x85 || byte == 0x92 || byte == 0x96 || byte == 0x97;
}

// The bytes after the lead are what ends a word in Windows-1252, and the lead
// a letter that may end one. The lead Â (C2) is left out, as a capital seldom
// ends a word and UTF-8's « » ° are C2 pairs.
bool mayEndWordInWindows1252(QByteArrayView bytes)
{
    const auto lead = uchar(bytes[0]);
    if (bytes.size() == 4 || lead == 0xC2 || lead == 0xD7)
        return false;
    for (qsizetype i = 1; i < bytes.size(); ++i) {
        if (!kEndsWord[uchar(bytes[i])])
            return false;
    }
    return true;
}

// The sequence read as Windows-1252 is a word's last letter, of the case of the
// letter before it, then what ends a word: "Fuß”", "CAFÉ”", "AQUÍ—NO",
// "está…”".
bool looksLikeWindows1252WordEnd(QByteArrayView bytes, const Utf8Surroundings &around)
{
    if (!mayEndWordInWindows1252(bytes))
        return false;
    if (isLetter(around.after) && !runsOn(uchar(bytes.back())))
        return false;
    const auto lead = uchar(bytes[0]);
    if (lead == 0xDF) // ß follows letters of either case
        return isLetter(around.before);
    return lead < 0xE0 ? isUpper(around.before) : isLower(around.before);
}

// Latin letters of IPA and Latin Extended-B, which prose seldom holds, but for
// Romanian's comma letters and Vietnamese's horned ones; the spacing modifier
// letters after them.
bool isRareLatin(char32_t c)
{
    if (c < 0x180 || c > 0x2FF)
        return false;
    return !(c == 0x1A0 || c == 0x1A1 || c == 0x1AF || c == 0x1B0 || (c >= 0x218 && c <= 0x21B));
}

// Something a mark or a variation selector can follow: not a space, a control,
// a stray byte or nothing.
bool canBeMarked(const Utf8Neighbour &n)
{
    if (n.kind != Kind::Char || n.c <= 0x20 || n.c == 0x7F)
        return false;
    const QChar::Category category = traitsOf(n.c).category;
    return category != QChar::Separator_Space && category != QChar::Separator_Line
            && category != QChar::Separator_Paragraph && category != QChar::Other_Control;
}

bool otherScriptNear(const Utf8Surroundings &around)
{
    const auto other = [](QChar::Script s) {
        return s != QChar::Script_Unknown && s != QChar::Script_Latin;
    };
    return other(around.scriptBefore) || other(around.scriptAfter);
}

bool letterCredible(char32_t c, QChar::Script script, const Utf8Surroundings &around)
{
    if (script == QChar::Script_Latin)
        return !isRareLatin(c);
    if (script == QChar::Script_Unknown)
        return false;
    return around.scriptBefore == script || around.scriptAfter == script;
}

} // namespace

QChar::Script utf8LetterScript(char32_t c)
{
    return traitsOf(c).letterScript;
}

bool utf8SequenceCredible(QByteArrayView bytes, char32_t c, const Utf8Surroundings &around)
{
    if (c < 0xA0 || looksLikeWindows1252WordEnd(bytes, around))
        return false;
    if (c <= 0xBF)
        return true; // no-break space, « » ¿ ° © and the like
    const Traits traits = traitsOf(c);
    const QChar::Category category = traits.category;
    if (category == QChar::Other_PrivateUse || category == QChar::Other_Surrogate)
        return false;
    if (c >= 0x1F000 && c <= 0x1FAFF)
        return true; // emoji, including those newer than this Qt's tables
    if (category == QChar::Other_NotAssigned)
        return false;
    // Accents combine with letters; other marks (variation selectors, the keycap)
    // with digits and symbols too.
    if (c >= 0x300 && c <= 0x36F)
        return isLetter(around.before);
    if (isMarkCategory(category))
        return canBeMarked(around.before);
    if (isLetterCategory(category) || (category >= QChar::Number_DecimalDigit
                                       && category <= QChar::Number_Other))
        return letterCredible(c, traits.letterScript, around);
    if (category == QChar::Other_Format)
        return true; // joiners, direction marks, the byte order mark
    // Punctuation and symbols: the general and CJK ones, and those of the
    // supplementary planes, stand anywhere; a script's own only beside its text.
    if ((c >= 0x2000 && c <= 0x2BFF) || (c >= 0x3000 && c <= 0x303F) || c >= 0xFE10)
        return true;
    return otherScriptNear(around);
}

void Utf8Evidence::takeAscii(const uchar *p, const uchar *end)
{
    // What waits is told of the characters one by one; after that only the last
    // two characters of the run matter to what follows.
    for (; p < end && m_pendingCount > 0; ++p)
        take({Kind::Char, *p});
    if (p == end)
        return;
    const auto isLetter = [](uchar c) { return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z'); };
    m_before = {Kind::Char, end[-1]};
    if (isLetter(end[-1])) {
        m_letterScript = QChar::Script_Latin;
        m_sinceLetter = 0;
    } else if (end - p >= 2 && isLetter(end[-2])) {
        m_letterScript = QChar::Script_Latin;
        m_sinceLetter = 1;
    } else {
        m_sinceLetter = quint8(std::min<qsizetype>(2, m_sinceLetter + (end - p)));
    }
}

void Utf8Evidence::takeStray()
{
    take({Kind::Stray, 0});
}

Utf8Evidence::Word Utf8Evidence::takeWordOfScript(const uchar *p, const uchar *end)
{
    // Near a letter of another script than Latin, and with nothing waiting, each
    // letter of that script is credible whatever follows (takeSequence()), and so
    // is each mark of it right after a letter.
    const QChar::Script script = m_letterScript;
    if (m_pendingCount > 0 || m_sinceLetter > 1 || script == QChar::Script_Latin
        || script == QChar::Script_Unknown)
        return {p, 0, 0};
    const uchar *const start = p;
    qint64 count = 0;
    qint64 units = 0;
    char32_t last = 0;
    bool afterLetter = m_sinceLetter == 0;
    while (p < end && *p >= 0x80) {
        const detail::Utf8Sequence sequence = detail::probeUtf8Sequence(p, end);
        if (!detail::isComplete(sequence))
            break;
        const char32_t c = codePointOf(p, sequence.length);
        const Traits traits = traitsOf(c);
        if (traits.letterScript != script || (!afterLetter && isMarkCategory(traits.category))
            || mayEndWordInWindows1252(QByteArrayView(p, sequence.length)))
            break;
        afterLetter = true;
        last = c;
        ++count;
        units += detail::utf16UnitsOf(sequence.length);
        p += sequence.length;
    }
    if (count > 0) {
        m_before = {Kind::Char, last};
        m_sinceLetter = 0;
        m_counts.credible += count;
        m_counts.credibleBytes += p - start;
    }
    return {p, count, units};
}

Utf8Evidence::Counts Utf8Evidence::counts(bool cutShortAtEnd) const
{
    Utf8Evidence atEnd = *this;
    if (cutShortAtEnd)
        atEnd.takeStray(); // a sequence the end cuts short is stray bytes
    atEnd.finish();
    return atEnd.m_counts;
}

void Utf8Evidence::take(Utf8Neighbour item)
{
    advance(item, item.kind == Kind::Char ? utf8LetterScript(item.c) : QChar::Script_Unknown);
}

void Utf8Evidence::advance(Utf8Neighbour item, QChar::Script script)
{
    int kept = 0;
    for (int i = 0; i < m_pendingCount; ++i) {
        Pending &pending = m_pending[i];
        if (pending.seen == 0)
            pending.around.after = item;
        if (pending.around.scriptAfter == QChar::Script_Unknown)
            pending.around.scriptAfter = script;
        // Judged once a letter follows, or two characters that are none.
        if (++pending.seen == 2 || pending.around.scriptAfter != QChar::Script_Unknown)
            judge(pending);
        else
            m_pending[kept++] = pending;
    }
    m_pendingCount = kept;
    m_before = item;
    if (script != QChar::Script_Unknown) {
        m_letterScript = script;
        m_sinceLetter = 0;
    } else if (m_sinceLetter < 2) {
        ++m_sinceLetter;
    }
}

void Utf8Evidence::takeSequence(const uchar *bytes, int length)
{
    const char32_t c = codePointOf(bytes, length);
    const QByteArrayView sequence(bytes, length);
    const QChar::Script script = utf8LetterScript(c);
    // The common case in other scripts: a letter or mark in a word of its script,
    // credible whatever follows.
    if (m_pendingCount == 0 && m_sinceLetter == 0 && script == m_letterScript
        && script != QChar::Script_Latin && script != QChar::Script_Unknown
        && !mayEndWordInWindows1252(sequence)) {
        m_before = {Kind::Char, c};
        ++m_counts.credible;
        m_counts.credibleBytes += length;
        return;
    }
    // Latin-1 and Latin Extended-A letters and symbols, and general punctuation, are
    // credible wherever they stand unless they may read as a word's end.
    const bool latinOrPunctuation = (c >= 0xA0 && c <= 0x17F && c != 0xD7 && c != 0xF7)
            || (c >= 0x2000 && c <= 0x2064);
    if (latinOrPunctuation && !mayEndWordInWindows1252(sequence)) {
        advance({Kind::Char, c}, script);
        ++m_counts.credible;
        m_counts.credibleBytes += length;
        return;
    }
    Utf8Surroundings around;
    around.before = m_before;
    around.scriptBefore = m_sinceLetter <= 1 ? m_letterScript : QChar::Script_Unknown;
    advance({Kind::Char, c}, script);
    // What follows can only make a sequence more credible, unless it may read as a
    // word's end: most are settled at once.
    if (!mayEndWordInWindows1252(sequence) && utf8SequenceCredible(sequence, c, around)) {
        ++m_counts.credible;
        m_counts.credibleBytes += length;
        return;
    }
    Pending &pending = m_pending[m_pendingCount++];
    std::copy(bytes, bytes + length, pending.bytes);
    pending.length = quint8(length);
    pending.c = c;
    pending.around = around;
    pending.seen = 0;
}

void Utf8Evidence::judge(const Pending &pending)
{
    const QByteArrayView bytes(pending.bytes, pending.length);
    if (utf8SequenceCredible(bytes, pending.c, pending.around)) {
        ++m_counts.credible;
        m_counts.credibleBytes += pending.length;
    } else {
        m_counts.doubtfulBytes += pending.length;
    }
}

void Utf8Evidence::finish()
{
    for (int i = 0; i < m_pendingCount; ++i)
        judge(m_pending[i]);
    m_pendingCount = 0;
}

} // namespace wimblet
