#pragma once
// Rewrites one run of letters and digits by a whole style table at once.

#include "convert/replaceall.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace wimblet::detail {

/// One bit for each ASCII letter and digit, a shared bit for anything else: the set of
/// characters a piece of text uses, as a 64-bit mask.
constexpr quint64 characterBit(char16_t c)
{
    if (c >= u'a' && c <= u'z')
        return quint64(1) << (c - u'a');
    if (c >= u'A' && c <= u'Z')
        return quint64(1) << (26 + c - u'A');
    if (c >= u'0' && c <= u'9')
        return quint64(1) << (52 + c - u'0');
    return quint64(1) << 63;
}

/// A style table prepared for converting one run of ASCII characters at a time.
///
/// The result is that of replaceAll() with every step in order; steps whose find string
/// uses a character that the run does not hold at that moment cannot match and are skipped.
class RunRewriter
{
public:
    template <std::size_t N>
    explicit RunRewriter(const std::array<Replacement, N> &steps)
        : RunRewriter(steps.data(), steps.size())
    {
    }
    RunRewriter(const Replacement *steps, std::size_t count);

    /// False when no step can match a run made of the characters in `present` (a mask of
    /// characterBit()s): such a run stays as it is.
    bool mayChange(quint64 present) const { return (present & m_trigger) != 0; }

    /// Applies every step, in order, to `run` and leaves the result in `out`;
    /// `scratch` is working space. Throws std::bad_alloc when memory runs out.
    void rewrite(std::string_view run, std::string &out, std::string &scratch) const;

private:
    struct Step {
        QLatin1StringView find;
        QLatin1StringView replacement;
        quint64 needs;
    };
    std::vector<Step> m_steps;
    quint64 m_trigger = 0;
};

} // namespace wimblet::detail
