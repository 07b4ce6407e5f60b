#include "convert/styleconversion.h"

#include "convert/runmemo.h"
#include "convert/stylereplacements.h"
#include "convert/textcase.h"
#include "convert/tokenmemo.h"

#include <QLocale>
#include <QtAlgorithms>

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace wimblet {

// Why the text can be converted a token at a time:
// - A token is a maximal stretch of characters above U+0020. Spaces, tabs, line breaks
//   and other control characters are neither letters, sentence marks nor characters that
//   lower-casing looks across (it does look across some punctuation for a final sigma or
//   a Turkish dotted I), and lower-casing never makes one of them. So lower-casing and
//   sentence capitals run through them unchanged.
// - Every find string consists of ASCII letters (Cute) or ASCII letters and digits
//   (Normal), and replacements add nothing else, so no match reaches past a character
//   outside that alphabet; within a token, each maximal run of it converts on its own.
// Natural text repeats its tokens and runs, so both are remembered.

namespace {

using detail::RunMemo;
using detail::RunRewriter;
using detail::TokenMemo;

// characterBit() of the characters that make up a run, 0 for those that separate runs.
using RunAlphabet = std::array<quint64, 128>;

constexpr RunAlphabet makeAlphabet(bool withDigits)
{
    RunAlphabet alphabet{};
    for (char16_t c = 0; c < 128; ++c) {
        const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        const bool digit = c >= u'0' && c <= u'9';
        alphabet[c] = letter || (withDigits && digit) ? detail::characterBit(c) : 0;
    }
    return alphabet;
}

constexpr RunAlphabet Letters = makeAlphabet(false);
constexpr RunAlphabet LettersAndDigits = makeAlphabet(true);

constexpr bool separatesTokens(char16_t c)
{
    return c <= u' ';
}

#if defined(__SSE2__)
// Two bits for each of the eight characters at `at` that separates tokens.
unsigned separatorBits(const char16_t *at)
{
    const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
    const __m128i aboveSpace = _mm_subs_epu16(chars, _mm_set1_epi16(0x20));
    return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi16(aboveSpace, _mm_setzero_si128())));
}
#endif

// Tokens are short: eight characters at once finds most ends in one step.
const char16_t *skipSeparators(const char16_t *at, const char16_t *end)
{
#if defined(__SSE2__)
    for (; end - at >= 8; at += 8) {
        if (const unsigned tokenBits = ~separatorBits(at) & 0xFFFFu)
            return at + qCountTrailingZeroBits(tokenBits) / 2;
    }
#endif
    while (at != end && separatesTokens(*at))
        ++at;
    return at;
}

const char16_t *skipToken(const char16_t *at, const char16_t *end)
{
#if defined(__SSE2__)
    for (; end - at >= 8; at += 8) {
        if (const unsigned bits = separatorBits(at))
            return at + qCountTrailingZeroBits(bits) / 2;
    }
#endif
    while (at != end && !separatesTokens(*at))
        ++at;
    return at;
}

// The result, grown as needed, with room for a short piece more than it holds.
class Utf16Output
{
public:
    explicit Utf16Output(qsizetype expected) { reserve(expected + expected / 8 + 64); }

    static constexpr qsizetype ShortPiece = TokenMemo::InlineValueSize;

    // Appends and returns where the appended characters now are. `padded` says that
    // ShortPiece characters may be read at `text` whatever `size` is.
    Q_ALWAYS_INLINE char16_t *append(const char16_t *text, qsizetype size, bool padded)
    {
        if (m_size + size + ShortPiece > m_capacity)
            reserve(std::max(m_size + size + ShortPiece, m_capacity + m_capacity / 2));
        char16_t *at = m_data + m_size;
        if (padded && size <= ShortPiece)
            std::memcpy(at, text, ShortPiece * sizeof(char16_t));
        else
            std::memcpy(at, text, std::size_t(size) * sizeof(char16_t));
        m_size += size;
        return at;
    }

    void appendSpace()
    {
        if (m_size + 1 + ShortPiece > m_capacity)
            reserve(m_capacity + m_capacity / 2);
        m_data[m_size++] = u' ';
    }

    QString take()
    {
        m_text.resize(m_size);
        return std::move(m_text);
    }

private:
    void reserve(qsizetype capacity)
    {
        // Exactly this much: resize() would round big blocks up to a power of two.
        QString larger(capacity, Qt::Uninitialized);
        char16_t *data = reinterpret_cast<char16_t *>(larger.data());
        if (m_size > 0)
            std::memcpy(data, m_data, std::size_t(m_size) * sizeof(char16_t));
        m_text.swap(larger);
        m_data = data;
        m_capacity = capacity;
    }

    QString m_text;
    char16_t *m_data = nullptr;
    qsizetype m_size = 0;
    qsizetype m_capacity = 0;
};

// One conversion of one text: the locale, the memos and the working space.
class StyleConverter
{
public:
    enum class Direction { Cute, Normal };

    StyleConverter(Direction direction, const RunRewriter &rewriter)
        : m_direction(direction), m_rewriter(rewriter), m_runs(rewriter),
          m_alphabet(direction == Direction::Cute ? Letters : LettersAndDigits),
          m_locale(QLocale::system())
    {
    }

    QString convert(const QString &text);

private:
    void emitToken(const char16_t *token, qsizetype size, bool padded, Utf16Output &out);
    void convertToken(const char16_t *token, qsizetype size, std::u16string &value);
    // wimblet::lowerCase() of a piece, with the locale looked up once per conversion.
    QString lowerCase(const char16_t *piece, qsizetype size) const;
    void appendRewrittenRuns(const char16_t *piece, qsizetype size, std::u16string &out);

    const Direction m_direction;
    const RunRewriter &m_rewriter;
    RunMemo m_runs;
    TokenMemo m_tokens;
    const RunAlphabet &m_alphabet;
    const QLocale m_locale;
    std::u16string m_value;
    std::u16string m_scratch;
    bool m_capitalizeNext = true;
};

QString StyleConverter::convert(const QString &text)
{
    Utf16Output out(text.size());
    const char16_t *at = reinterpret_cast<const char16_t *>(text.constData());
    const char16_t *const end = at + text.size();
    while (at != end) {
        const char16_t *start = at;
        if (end - at >= 2 && at[0] == u' ' && !separatesTokens(at[1])) {
            out.appendSpace(); // the usual gap between words, without a search
            ++at;
        } else {
            at = skipSeparators(at, end);
            out.append(start, at - start, end - start >= Utf16Output::ShortPiece);
        }
        start = at;
        at = skipToken(at, end);
        if (at != start)
            emitToken(start, at - start, end - start >= 8, out);
    }
    return out.take();
}

// `padded`: eight characters may be read at `token`.
void StyleConverter::emitToken(const char16_t *token, qsizetype size, bool padded,
                               Utf16Output &out)
{
    const bool normal = m_direction == Direction::Normal;
    if (size > TokenMemo::MaxKeySize) {
        m_value.clear();
        convertToken(token, size, m_value);
        char16_t *written = out.append(m_value.data(), qsizetype(m_value.size()), false);
        if (normal)
            detail::sentenceCaseInPlace(written, qsizetype(m_value.size()), m_capitalizeNext);
        return;
    }
    const TokenMemo::Key key = TokenMemo::keyOf(token, size, padded);
    const TokenMemo::Entry *entry = m_tokens.find(key);
    if (entry == nullptr) {
        m_value.clear();
        convertToken(token, size, m_value);
        const detail::SentenceEffect sentence = normal
                ? detail::sentenceCasePiece(m_value.data(), qsizetype(m_value.size()))
                : detail::SentenceEffect{-1, {false, false}};
        entry = m_tokens.insert(key, m_value, sentence);
    }
    char16_t *written = out.append(m_tokens.valueOf(*entry), entry->valueSize,
                                   entry->valueSize <= TokenMemo::InlineValueSize);
    if (normal)
        detail::applySentenceEffect(written, entry->sentence, m_capitalizeNext);
}

// The token as the whole-text steps would leave it, sentence capitals aside.
void StyleConverter::convertToken(const char16_t *token, qsizetype size, std::u16string &value)
{
    if (m_direction == Direction::Cute) {
        const QString lowered = lowerCase(token, size);
        appendRewrittenRuns(reinterpret_cast<const char16_t *>(lowered.constData()),
                            lowered.size(), value);
    } else {
        m_scratch.clear();
        appendRewrittenRuns(token, size, m_scratch);
        const QString lowered = lowerCase(m_scratch.data(), qsizetype(m_scratch.size()));
        value.append(reinterpret_cast<const char16_t *>(lowered.constData()),
                     std::size_t(lowered.size()));
    }
}

QString StyleConverter::lowerCase(const char16_t *piece, qsizetype size) const
{
    return m_locale.toLower(QString::fromRawData(reinterpret_cast<const QChar *>(piece), size));
}

void StyleConverter::appendRewrittenRuns(const char16_t *piece, qsizetype size,
                                         std::u16string &out)
{
    const auto inRun = [this](char16_t c) { return c < 128 && m_alphabet[c] != 0; };
    const char16_t *at = piece;
    const char16_t *const end = piece + size;
    while (at != end) {
        const char16_t *start = at;
        while (at != end && !inRun(*at))
            ++at;
        out.append(start, std::size_t(at - start));
        start = at;
        quint64 present = 0;
        for (; at != end && inRun(*at); ++at)
            present |= m_alphabet[*at];
        if (at == start)
            continue;
        if (!m_rewriter.mayChange(present)) {
            out.append(start, std::size_t(at - start));
            continue;
        }
        const std::string_view rewritten = m_runs.rewrite(start, at - start);
        const std::size_t size = out.size();
        out.resize(size + rewritten.size());
        std::copy(rewritten.begin(), rewritten.end(), out.begin() + std::ptrdiff_t(size));
    }
}

const RunRewriter &cuteRewriter()
{
    static const RunRewriter rewriter(CuteStyleReplacements);
    return rewriter;
}

const RunRewriter &normalRewriter()
{
    static const RunRewriter rewriter(NormalStyleReplacements);
    return rewriter;
}

} // namespace

QString toCuteStyle(const QString &text)
{
    return StyleConverter(StyleConverter::Direction::Cute, cuteRewriter()).convert(text);
}

QString toNormalStyle(const QString &text)
{
    return StyleConverter(StyleConverter::Direction::Normal, normalRewriter()).convert(text);
}

} // namespace wimblet
