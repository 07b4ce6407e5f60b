#pragma once
// A bounded memo of converted letter runs.

#include "convert/runrewriter.h"

#include <string>
#include <string_view>
#include <vector>

namespace wimblet::detail {

/// Remembers what a RunRewriter made of each run, because words recur, also inside
/// tokens that differ. Memory is bounded: when the memo is full it starts over; very
/// long runs are converted without being remembered.
class RunMemo
{
public:
    explicit RunMemo(const RunRewriter &rewriter);

    /// The converted form of `size` ASCII characters at `run`, valid until the next call.
    /// Throws std::bad_alloc when memory runs out.
    std::string_view rewrite(const char16_t *run, qsizetype size);

private:
    struct Slot {
        quint32 hash;
        quint32 offset; ///< where the key starts in m_arena; the value follows it
        quint16 keySize; ///< 0 for a free slot
        quint16 valueSize;
    };

    std::string_view rewriteDirectly(const char16_t *run, qsizetype size);
    std::string_view remember(quint32 hash, const char16_t *run, qsizetype size);
    bool holds(const Slot &slot, quint32 hash, const char16_t *run, qsizetype size) const;
    Slot &freeSlotFor(quint32 hash);
    void clear();
    void grow();

    const RunRewriter &m_rewriter;
    std::vector<Slot> m_slots; ///< open addressing, at most half full
    std::size_t m_count = 0;
    std::string m_arena;
    std::string m_key;
    std::string m_value;
    std::string m_scratch;
};

} // namespace wimblet::detail
