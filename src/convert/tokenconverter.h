#pragma once
// Converts a text token by token: separators pass through, each token is looked
// up in a memo or rewritten.

#include "convert/runmemo.h"
#include "convert/tokenmemo.h"
#include "convert/tokenscan.h"
#include "convert/utf16output.h"

#include <QLocale>

#include <array>
#include <string>

namespace wimblet::detail {

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

/// Converts text a token at a time, remembering what it made of each token. One object
/// serves one thread; the locale is taken when it is made.
class TokenConverter
{
public:
    enum class Direction { Cute, Normal };

    explicit TokenConverter(Direction direction);

    /// Appends the conversion of `size` characters at `text` to `out`. For Normal, the
    /// text follows text that left the sentence-capital flag as `capitalizeFirst`; the
    /// flag after it is returned. Throws std::bad_alloc when memory runs out.
    bool convert(const char16_t *text, qsizetype size, bool capitalizeFirst, Utf16Output &out);

private:
    struct Pass;

    // characterBit() of the characters that make up a run, 0 for those that separate runs.
    using RunAlphabet = std::array<quint64, 128>;

    void lookUp(const char16_t *text, qsizetype size, const TokenSpan *spans, std::size_t count,
                const TokenMemo::Entry **entries);
    const TokenMemo::Entry *entryFor(const char16_t *token, qsizetype size, bool padded,
                                     bool &moved);
    Q_NEVER_INLINE static TokenMemo::Key keyNearEnd(const char16_t *token, qsizetype size);
    Q_NEVER_INLINE const TokenMemo::Entry &remember(const TokenMemo::Key &key);
    void emitLongToken(const char16_t *token, qsizetype size, Utf16Output &out,
                       bool &capitalizeNext);
    void convertToken(const char16_t *token, qsizetype size, std::u16string &value);
    // wimblet::lowerCase() of a piece, with the locale looked up once.
    QString lowerCase(const char16_t *piece, qsizetype size) const;
    void appendRewrittenRuns(const char16_t *piece, qsizetype size, std::u16string &out);

    const Direction m_direction;
    const RunRewriter &m_rewriter;
    const RunAlphabet &m_alphabet;
    const QLocale m_locale;
    RunMemo m_runs;
    TokenMemo m_tokens;
    std::u16string m_value;
    std::u16string m_scratch;
};

} // namespace wimblet::detail
