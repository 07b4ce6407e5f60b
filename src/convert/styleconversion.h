#pragma once
// The two style conversions of the whole text, in one pass each.

#include <QString>
#include <QStringView>

#include <memory>

namespace wimblet {

/// The whole text in Cute Style: lower-cased by the system locale (lowerCase()), then
/// rewritten by every step of CuteStyleReplacements in order with replaceAll()'s rule.
///
/// Gives exactly what naive::toCuteStyle() gives, in time linear in the text. The input is
/// never modified; when memory runs out std::bad_alloc is thrown and nothing is changed.
QString toCuteStyle(const QString &text);

/// The whole text back in normal writing: every step of NormalStyleReplacements in order
/// with replaceAll()'s rule, then lowerCase(), then SentenceCase().
///
/// Gives exactly what naive::toNormalStyle() gives, in time linear in the text. The input
/// is never modified; when memory runs out std::bad_alloc is thrown and nothing is changed.
QString toNormalStyle(const QString &text);

namespace detail {
struct PartWorkers;
}

/// Converts a text that arrives in pieces, giving together what toCuteStyle() or
/// toNormalStyle() gives for the whole text. Each piece is converted up to its last
/// separator (U+0000 to U+0020), where no token is cut, or, when the token open at its
/// end is long, up to punctuation inside that token where it may be cut; the caller
/// passes the rest again at the start of the next piece. Only a run of letters and
/// digits with neither is held back whole. The sentence-capital flag of the normal style
/// goes from one piece to the next as a value, so that a conversion can be tried ahead
/// from a saved point, or pieces converted at once by streams of their own and mended
/// with detail::resumeSentenceCase().
class StyleStream
{
public:
    enum class Style { Cute, Normal };

    /// Converts on the calling thread.
    explicit StyleStream(Style style);
    /// Converts each piece in at most `parts` parts of at least `minPartSize` characters,
    /// on threads of their own, and cuts tokens longer than `maxHeldBack` inside; small
    /// values let tests reach every join.
    StyleStream(Style style, int parts, qsizetype minPartSize, qsizetype maxHeldBack);
    ~StyleStream();
    StyleStream(const StyleStream &) = delete;
    StyleStream &operator=(const StyleStream &) = delete;

    struct Step {
        /// Characters of the piece converted: all of it at the end of the text.
        qsizetype consumed;
        /// The flag after them, for the next piece (true at the start of a text).
        bool capitalizeNext;
        /// Their conversion, valid until the next call.
        QStringView converted;
    };

    /// Converts `piece`, which follows text that left the flag as `capitalizeFirst`, up to
    /// its last separator, or all of it when `atEnd`. Throws std::bad_alloc when memory
    /// runs out.
    Step convert(QStringView piece, bool atEnd, bool capitalizeFirst);

private:
    std::unique_ptr<detail::PartWorkers> m_workers;
    qsizetype m_maxHeldBack;
};

/// Large texts are converted in parts at once, one per processor, cut at separators.
namespace detail {

/// toCuteStyle() and toNormalStyle() with the text cut into at most `parts` parts of at
/// least `minPartSize` characters each, so that tests can reach every join.
QString toCuteStyleInParts(const QString &text, int parts, qsizetype minPartSize);
QString toNormalStyleInParts(const QString &text, int parts, qsizetype minPartSize);

} // namespace detail

} // namespace wimblet
