#pragma once
// Lower case by the system locale, and sentence capitals.

#include <QString>

namespace wimblet {

/// Every letter that has a lower-case form in lower case, by the system locale's rules
/// (QLocale::system().toLower(): not limited to A to Z, and the result may be longer than
/// `text`). Other characters, line breaks included, are unchanged.
/// Throws std::bad_alloc when memory runs out.
QString lowerCase(const QString &text);

/// Capitalises the first letter of the text and the first letter after every ".", "!"
/// and "?". Only the ASCII letters a to z change, each into its own capital; an ASCII
/// capital only ends the wait for a letter. Every other character, non-ASCII letters
/// included, is unchanged and neither starts nor ends a sentence.
/// Throws std::bad_alloc when memory runs out.
QString SentenceCase(const QString &text);

namespace detail {

/// SentenceCase() applied in place to `size` UTF-16 code units that follow text which
/// left the capitalise flag as `capitalizeNext`; leaves the flag as it is after them.
void sentenceCaseInPlace(char16_t *text, qsizetype size, bool &capitalizeNext) noexcept;

/// Mends the sentence capitals of a piece that was treated by sentenceCaseInPlace() as if
/// the text before it left the flag clear, now that it turns out to leave the flag as
/// `capitalizeNext`. `flagAfter` is the flag that treatment left; returns the true one.
bool resumeSentenceCase(char16_t *piece, qsizetype size, bool capitalizeNext,
                        bool flagAfter) noexcept;

/// How a piece of text takes part in SentenceCase() of a longer text around it.
struct SentenceEffect {
    qint16 firstLetter; ///< its first ASCII letter before any sentence mark, or -1
    bool flagAfter[2];  ///< the capitalise flag after the piece, for each flag before it
};

/// Capitalises the piece where that does not depend on the text before it (after a mark
/// inside it) and returns what still does. Pieces up to 32767 units long.
SentenceEffect sentenceCasePiece(char16_t *piece, qsizetype size) noexcept;

/// Finishes a piece treated by sentenceCasePiece() that follows text leaving the flag as
/// `capitalizeNext`, and moves the flag past it.
inline void applySentenceEffect(char16_t *piece, const SentenceEffect &effect,
                                bool &capitalizeNext) noexcept
{
    if (capitalizeNext && effect.firstLetter >= 0) {
        char16_t &letter = piece[effect.firstLetter];
        if (letter >= u'a' && letter <= u'z')
            letter = char16_t(letter - 32);
    }
    capitalizeNext = effect.flagAfter[capitalizeNext];
}

} // namespace detail
} // namespace wimblet
