#include "convert/runrewriter.h"

namespace wimblet::detail {

namespace {

constexpr quint64 LowerCaseBits = (quint64(1) << 26) - 1;

quint64 charactersIn(std::string_view text)
{
    quint64 present = 0;
    for (const char c : text)
        present |= characterBit(char16_t(uchar(c)));
    return present;
}

} // namespace

RunRewriter::RunRewriter(const Replacement *steps, std::size_t count)
{
    m_steps.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const Replacement &step = steps[i];
        const quint64 needs = charactersIn(std::string_view(step.find.data(), step.find.size()));
        m_steps.push_back({step.find, step.replacement, needs});
        // Every step needs at least one of these characters; a run with none of them is
        // left alone by all steps. Preferring the rarer capitals and digits lets plain
        // lower-case words skip the work entirely.
        const quint64 rare = needs & ~LowerCaseBits;
        m_trigger |= rare != 0 ? rare : needs;
    }
}

void RunRewriter::rewrite(std::string_view run, std::string &out, std::string &scratch) const
{
    out.assign(run);
    quint64 present = charactersIn(out);
    for (const Step &step : m_steps) {
        if ((step.needs & present) != step.needs)
            continue;
        scratch.resize(replacedCapacity(qsizetype(out.size()), step.find, step.replacement));
        qsizetype matches = 0;
        const qsizetype written = replaceAllInto(out.data(), qsizetype(out.size()), step.find,
                                                 step.replacement, scratch.data(), &matches);
        if (matches == 0)
            continue;
        scratch.resize(std::size_t(written));
        out.swap(scratch);
        present = charactersIn(out);
    }
}

} // namespace wimblet::detail
