#pragma once
// The two style tables, in the order their steps run.

#include "convert/replaceall.h"

#include <array>

namespace wimblet {

/// The Cute Style table, applied in order to lower-cased text: 109 letter steps
/// (pairs of a letter and a vowel, plus "l" and "r"), then 11 word steps.
/// Every find string consists of ASCII letters only.
extern const std::array<Replacement, 120> CuteStyleReplacements;

/// The table that undoes Cute Style word forms and digit look-alikes, applied in order
/// to the text as it stands, before lower-casing. Find strings hold ASCII letters and
/// digits; replacements hold ASCII letters only.
extern const std::array<Replacement, 23> NormalStyleReplacements;

} // namespace wimblet
