#include "convert/runmemo.h"

namespace wimblet::detail {

namespace {

// Words longer than this are rare enough to convert every time.
constexpr qsizetype MaxKeySize = 40;
constexpr std::size_t FirstSlotCount = 1024;
constexpr std::size_t MaxSlotCount = std::size_t(1) << 17;
constexpr qsizetype MaxEntries = qsizetype(MaxSlotCount / 2);
// Bounds the work per lookup even if many words share a hash.
constexpr int MaxProbes = 32;

quint32 hashOf(const char16_t *run, qsizetype size)
{
    quint32 hash = 2166136261u;
    for (qsizetype i = 0; i < size; ++i)
        hash = (hash ^ run[i]) * 16777619u;
    return hash ^ (hash >> 15);
}

void narrow(const char16_t *run, qsizetype size, std::string &out)
{
    out.resize(std::size_t(size));
    for (qsizetype i = 0; i < size; ++i)
        out[std::size_t(i)] = char(run[i]);
}

} // namespace

RunMemo::RunMemo(const RunRewriter &rewriter)
    : m_rewriter(rewriter), m_slots(FirstSlotCount, Slot{})
{
}

RunMemo::Rewritten RunMemo::rewrite(const char16_t *run, qsizetype size)
{
    if (size > MaxKeySize)
        return rewriteDirectly(run, size);
    if (std::size_t(m_entries) * 2 >= m_slots.size() && m_slots.size() < MaxSlotCount)
        grow();
    const quint32 hash = hashOf(run, size);
    const std::size_t mask = m_slots.size() - 1;
    std::size_t index = hash & mask;
    for (int probe = 0; probe < MaxProbes; ++probe, index = (index + 1) & mask) {
        Slot &slot = m_slots[index];
        if (slot.keySize == 0)
            return m_entries < MaxEntries ? remember(slot, hash, run, size)
                                          : rewriteDirectly(run, size);
        if (holds(slot, hash, run, size))
            return {std::string_view(m_arena.data() + slot.offset + slot.keySize, slot.valueSize),
                    slot.unchanged};
    }
    return rewriteDirectly(run, size);
}

RunMemo::Rewritten RunMemo::rewriteDirectly(const char16_t *run, qsizetype size)
{
    narrow(run, size, m_key);
    m_rewriter.rewrite(m_key, m_value, m_scratch);
    return {m_value, m_value == m_key};
}

RunMemo::Rewritten RunMemo::remember(Slot &slot, quint32 hash, const char16_t *run,
                                     qsizetype size)
{
    const Rewritten rewritten = rewriteDirectly(run, size);
    const std::size_t offset = m_arena.size();
    m_arena += m_key;
    m_arena += m_value;
    slot = {hash, quint32(offset), quint16(size), quint16(m_value.size()), rewritten.unchanged};
    ++m_entries;
    return rewritten;
}

bool RunMemo::holds(const Slot &slot, quint32 hash, const char16_t *run, qsizetype size) const
{
    if (slot.hash != hash || slot.keySize != size)
        return false;
    const char *key = m_arena.data() + slot.offset;
    for (qsizetype i = 0; i < size; ++i) {
        if (char16_t(uchar(key[i])) != run[i])
            return false;
    }
    return true;
}

void RunMemo::grow()
{
    std::vector<Slot> old(m_slots.size() * 2, Slot{});
    old.swap(m_slots);
    const std::size_t mask = m_slots.size() - 1;
    for (const Slot &slot : old) {
        if (slot.keySize == 0)
            continue;
        std::size_t index = slot.hash & mask;
        while (m_slots[index].keySize != 0)
            index = (index + 1) & mask;
        m_slots[index] = slot;
    }
}

} // namespace wimblet::detail
