#include "convert/tokenconverter.h"

#include "convert/stylereplacements.h"
#include "convert/textcase.h"

#include <algorithm>
#include <cstring>

namespace wimblet::detail {

namespace {

constexpr std::array<quint64, 128> makeAlphabet(bool withDigits)
{
    std::array<quint64, 128> alphabet{};
    for (char16_t c = 0; c < 128; ++c) {
        const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        const bool digit = c >= u'0' && c <= u'9';
        alphabet[c] = letter || (withDigits && digit) ? characterBit(c) : 0;
    }
    return alphabet;
}

constexpr std::array<quint64, 128> Letters = makeAlphabet(false);
constexpr std::array<quint64, 128> LettersAndDigits = makeAlphabet(true);

const RunRewriter &rewriterFor(TokenConverter::Direction direction)
{
    static const RunRewriter cute(CuteStyleReplacements);
    static const RunRewriter normal(NormalStyleReplacements);
    return direction == TokenConverter::Direction::Cute ? cute : normal;
}

} // namespace

TokenConverter::TokenConverter(Direction direction)
    : m_direction(direction), m_rewriter(rewriterFor(direction)),
      m_alphabet(direction == Direction::Cute ? Letters : LettersAndDigits),
      m_locale(QLocale::system()), m_runs(m_rewriter)
{
}

// One call of convert(): the state of its loop lives here, where the compiler can keep
// it in registers.
struct TokenConverter::Pass {
    TokenConverter &converter;
    const char16_t *const begin;
    const qsizetype size;
    Utf16Output &out;
    qsizetype done;
    bool capitalizeNext;
    std::array<const TokenMemo::Entry *, MaxTokenBatch> entries{};

    void tokens(const TokenSpan *spans, std::size_t count)
    {
        // All lookups first: they do not wait on each other, nor on the output.
        converter.lookUp(begin, size, spans, count, entries.data());
        qsizetype room = spans[count - 1].end - done;
        for (std::size_t i = 0; i < count; ++i)
            room += entries[i] != nullptr ? entries[i]->valueSize : 0;
        char16_t *at = out.makeRoom(room);
        qsizetype copied = done;
        bool capitalize = capitalizeNext;
        for (std::size_t i = 0; i < count; ++i) {
            const TokenSpan span = spans[i];
            at = copyShort(at, begin + copied, span.start - copied,
                           size - copied >= Utf16Output::ShortPiece); // separators
            copied = span.end;
            const TokenMemo::Entry *entry = entries[i];
            if (Q_UNLIKELY(entry == nullptr)) {
                out.setEnd(at);
                converter.emitLongToken(begin + span.start, span.end - span.start, out,
                                        capitalize);
                at = out.makeRoom(room);
                continue;
            }
            char16_t *const written =
                    copyShort(at, converter.m_tokens.valueOf(*entry), entry->valueSize, true);
            if (converter.m_direction == Direction::Normal) {
                // Without a branch: whether a word starts a sentence is as good as random.
                const qint16 capitalAt = entry->capitalAt;
                at[std::max<qint16>(capitalAt, 0)] -=
                        char16_t(capitalize && capitalAt >= 0 ? 32 : 0);
                capitalize = entry->sentence.flagAfter[capitalize];
            }
            at = written;
        }
        out.setEnd(at);
        done = copied;
        capitalizeNext = capitalize;
    }

    // Copies and returns the end of the copy. `padded`: ShortPiece characters may be read
    // at `from`; as many may always be written at `to`.
    static Q_ALWAYS_INLINE char16_t *copyShort(char16_t *to, const char16_t *from,
                                               qsizetype size, bool padded)
    {
        if (padded && size <= Utf16Output::ShortPiece)
            std::memcpy(to, from, Utf16Output::ShortPiece * sizeof(char16_t));
        else
            std::memcpy(to, from, std::size_t(size) * sizeof(char16_t));
        return to + size;
    }
};

bool TokenConverter::convert(const char16_t *text, qsizetype size, bool capitalizeFirst,
                             Utf16Output &out)
{
    Pass pass{*this, text, size, out, 0, capitalizeFirst};
    forEachTokenBatch(text, size, pass);
    if (pass.done != size)
        out.append(text + pass.done, size - pass.done, false);
    return pass.capitalizeNext;
}

// The memo's entry for each token, or nullptr for a token too long to remember.
void TokenConverter::lookUp(const char16_t *text, qsizetype size, const TokenSpan *spans,
                            std::size_t count, const TokenMemo::Entry **entries)
{
    bool moved = false;
    do {
        moved = false;
        for (std::size_t i = 0; i < count && !moved; ++i) {
            const qsizetype tokenSize = spans[i].end - spans[i].start;
            entries[i] = tokenSize <= TokenMemo::MaxKeySize
                    ? entryFor(text + spans[i].start, tokenSize,
                               size - spans[i].start >= TokenMemo::KeyWidth, moved)
                    : nullptr;
        }
        // When the memo grows or starts over, the entries found so far move: look again.
        // A batch is far smaller than the memo, so this soon settles.
    } while (moved);
}

void TokenConverter::emitLongToken(const char16_t *token, qsizetype size, Utf16Output &out,
                                   bool &capitalizeNext)
{
    m_value.clear();
    convertToken(token, size, m_value);
    char16_t *written = out.append(m_value.data(), qsizetype(m_value.size()), false);
    if (m_direction == Direction::Normal)
        sentenceCaseInPlace(written, qsizetype(m_value.size()), capitalizeNext);
}

// `padded`: TokenMemo::KeyWidth characters may be read at `token`. Sets `moved` when
// remembering the token moved the memo's entries.
Q_ALWAYS_INLINE const TokenMemo::Entry *TokenConverter::entryFor(const char16_t *token,
                                                               qsizetype size, bool padded,
                                                               bool &moved)
{
    const TokenMemo::Key key = Q_LIKELY(padded || size >= TokenMemo::KeyWidth)
            ? TokenMemo::keyOf(token, size, token)
            : keyNearEnd(token, size);
    const TokenMemo::Entry *entry = m_tokens.find(key);
    if (Q_LIKELY(entry != nullptr))
        return entry;
    const quint32 generation = m_tokens.generation();
    entry = &remember(key);
    moved = m_tokens.generation() != generation;
    return entry;
}

// The key of a short token in the last few characters of the text, where KeyWidth
// characters cannot be read.
TokenMemo::Key TokenConverter::keyNearEnd(const char16_t *token, qsizetype size)
{
    std::array<char16_t, TokenMemo::KeyWidth> copy{};
    std::copy_n(token, size, copy.begin());
    return TokenMemo::keyOf(token, size, copy.data());
}

const TokenMemo::Entry &TokenConverter::remember(const TokenMemo::Key &key)
{
    m_value.clear();
    convertToken(key.data, key.size, m_value);
    const SentenceEffect sentence = m_direction == Direction::Normal
            ? sentenceCasePiece(m_value.data(), qsizetype(m_value.size()))
            : SentenceEffect{-1, {false, false}};
    return *m_tokens.insert(key, m_value, sentence);
}

// The token as the whole-text steps would leave it, sentence capitals aside.
void TokenConverter::convertToken(const char16_t *token, qsizetype size, std::u16string &value)
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

QString TokenConverter::lowerCase(const char16_t *piece, qsizetype size) const
{
    return m_locale.toLower(QString::fromRawData(reinterpret_cast<const QChar *>(piece), size));
}

void TokenConverter::appendRewrittenRuns(const char16_t *piece, qsizetype size,
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

} // namespace wimblet::detail
