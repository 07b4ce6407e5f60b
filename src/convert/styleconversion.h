#pragma once
// The two style conversions of the whole text, in one pass each.

#include <QString>

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

/// Large texts are converted in parts at once, one per processor, cut at separators.
namespace detail {

/// toCuteStyle() and toNormalStyle() with the text cut into at most `parts` parts of at
/// least `minPartSize` characters each, so that tests can reach every join.
QString toCuteStyleInParts(const QString &text, int parts, qsizetype minPartSize);
QString toNormalStyleInParts(const QString &text, int parts, qsizetype minPartSize);

} // namespace detail

} // namespace wimblet
