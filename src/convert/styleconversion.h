#pragma once

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

} // namespace wimblet
