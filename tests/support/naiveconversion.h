#pragma once
// The step-by-step conversions: the oracle the fast ones are checked against.

#include <QString>

/// The conversions done step by step over the whole text, exactly as the style tables are
/// defined: the reference that the fast conversions are checked and measured against.
namespace wimblet::naive {

/// lowerCase(), then one replaceAll() pass over the whole text per Cute Style step.
/// Throws std::bad_alloc when memory runs out.
QString toCuteStyle(const QString &text);

/// One replaceAll() pass per Normal Style step, then lowerCase(), then SentenceCase().
/// Throws std::bad_alloc when memory runs out.
QString toNormalStyle(const QString &text);

} // namespace wimblet::naive
