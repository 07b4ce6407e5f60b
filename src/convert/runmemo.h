#pragma once

#include "convert/runrewriter.h"

#include <string>
#include <string_view>
#include <vector>

namespace wimblet::detail {

/// Remembers what a RunRewriter made of each short run, because natural text repeats
/// its words. The memory it takes is bounded: once full, or for long runs, it converts
/// without remembering.
class RunMemo
{
public:
    struct Rewritten {
        std::string_view text; ///< valid until the next call of rewrite()
        bool unchanged;        ///< the run came back as it was
    };

    explicit RunMemo(const RunRewriter &rewriter);

    /// The converted form of `size` ASCII characters at `run`.
    /// Throws std::bad_alloc when memory runs out.
    Rewritten rewrite(const char16_t *run, qsizetype size);

private:
    struct Slot {
        quint32 hash;
        quint32 offset;     ///< where the key starts in m_arena; the value follows it
        quint16 keySize;    ///< 0 for a free slot
        quint16 valueSize;
        bool unchanged;
    };

    Rewritten rewriteDirectly(const char16_t *run, qsizetype size);
    Rewritten remember(Slot &slot, quint32 hash, const char16_t *run, qsizetype size);
    bool holds(const Slot &slot, quint32 hash, const char16_t *run, qsizetype size) const;
    void grow();

    const RunRewriter &m_rewriter;
    std::vector<Slot> m_slots;
    std::string m_arena;
    std::string m_key;
    std::string m_value;
    std::string m_scratch;
    qsizetype m_entries = 0;
};

} // namespace wimblet::detail
