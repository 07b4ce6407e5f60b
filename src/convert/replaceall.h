#pragma once
// The replacement rule every style step uses: scan left to right, replace every
// exact occurrence, never search inserted text again.

#include <QLatin1StringView>
#include <QString>

namespace wimblet {

/// One step of a style table: every `find` becomes `replacement`.
struct Replacement {
    QLatin1StringView find;
    QLatin1StringView replacement;
};

/// Returns `text` with every occurrence of `find` replaced by `replacement`.
///
/// The text is scanned from left to right and compared exactly (case-sensitive);
/// after a match the scan goes on behind the matched characters, so inserted text is
/// never searched again and of two overlapping occurrences the leftmost wins:
/// replaceAll("aaa", "aa", "Aa") is "Aaa". An empty `find` leaves the text as it is.
/// Throws std::bad_alloc when memory runs out.
QString replaceAll(const QString &text, QLatin1StringView find, QLatin1StringView replacement);

namespace detail {

/// Characters that replaceAllInto() may write for `size` characters of input.
constexpr qsizetype replacedCapacity(qsizetype size, QLatin1StringView find,
                                     QLatin1StringView replacement)
{
    const qsizetype growth = replacement.size() - find.size();
    if (find.isEmpty() || growth <= 0)
        return size;
    return size + size / find.size() * growth;
}

/// The scan behind replaceAll() for any character type (UTF-16 text or ASCII bytes),
/// so that every conversion shares the one rule. `out` must hold replacedCapacity()
/// characters and must not overlap `text`. Returns the number of characters written;
/// `matches`, if given, receives the number of replacements made.
template <typename Char>
qsizetype replaceAllInto(const Char *text, qsizetype size, QLatin1StringView find,
                         QLatin1StringView replacement, Char *out,
                         qsizetype *matches = nullptr)
{
    const qsizetype findSize = find.size();
    const char *findData = find.data();
    qsizetype written = 0;
    qsizetype at = 0;
    qsizetype found = 0;
    if (findSize == 0) {
        for (; at < size; ++at)
            out[written++] = text[at];
        if (matches != nullptr)
            *matches = 0;
        return written;
    }
    const Char first = Char(uchar(findData[0]));
    const qsizetype lastStart = size - findSize;
    while (at < size) {
        bool matched = at <= lastStart && text[at] == first;
        for (qsizetype k = 1; matched && k < findSize; ++k)
            matched = text[at + k] == Char(uchar(findData[k]));
        if (matched) {
            for (const char c : replacement)
                out[written++] = Char(uchar(c));
            at += findSize;
            ++found;
        } else {
            out[written++] = text[at++];
        }
    }
    if (matches != nullptr)
        *matches = found;
    return written;
}

} // namespace detail
} // namespace wimblet
