#include "convert/textcase.h"

#include <QLocale>

namespace wimblet {

QString lowerCase(const QString &text)
{
    return QLocale::system().toLower(text);
}

QString SentenceCase(const QString &text)
{
    QString result = text;
    bool capitalizeNext = true;
    detail::sentenceCaseInPlace(reinterpret_cast<char16_t *>(result.data()), result.size(),
                                capitalizeNext);
    return result;
}

namespace detail {

void sentenceCaseInPlace(char16_t *text, qsizetype size, bool &capitalizeNext) noexcept
{
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i];
        if (c == u'.' || c == u'!' || c == u'?') {
            capitalizeNext = true;
        } else if (c >= u'a' && c <= u'z') {
            if (capitalizeNext)
                text[i] = char16_t(c - 32);
            capitalizeNext = false;
        } else if (c >= u'A' && c <= u'Z') {
            capitalizeNext = false;
        }
    }
}

bool resumeSentenceCase(char16_t *piece, qsizetype size, bool capitalizeNext,
                        bool flagAfter) noexcept
{
    // The flag before the piece matters only up to its first letter or mark.
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = piece[i];
        if (c >= u'a' && c <= u'z') {
            if (capitalizeNext)
                piece[i] = char16_t(c - 32);
            return flagAfter;
        }
        if ((c >= u'A' && c <= u'Z') || c == u'.' || c == u'!' || c == u'?')
            return flagAfter;
    }
    return capitalizeNext;
}

SentenceEffect sentenceCasePiece(char16_t *piece, qsizetype size) noexcept
{
    SentenceEffect effect{-1, {false, true}};
    qsizetype firstMark = 0;
    while (firstMark < size && piece[firstMark] != u'.' && piece[firstMark] != u'!'
           && piece[firstMark] != u'?') {
        ++firstMark;
    }
    for (qsizetype i = 0; i < firstMark && effect.firstLetter < 0; ++i) {
        const char16_t c = piece[i];
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))
            effect.firstLetter = qint16(i);
    }
    if (firstMark < size) {
        bool capitalizeNext = true;
        sentenceCaseInPlace(piece + firstMark, size - firstMark, capitalizeNext);
        effect.flagAfter[0] = effect.flagAfter[1] = capitalizeNext;
    } else if (effect.firstLetter >= 0) {
        effect.flagAfter[1] = false;
    }
    return effect;
}

} // namespace detail
} // namespace wimblet
