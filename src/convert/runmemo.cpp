#include "convert/runmemo.h"

#include <algorithm>

namespace wimblet::detail {

namespace {

// Longer runs are rare enough in text to convert every time.
constexpr qsizetype MaxKeySize = 255;
constexpr std::size_t FirstSlotCount = 1024;
constexpr std::size_t MaxCount = std::size_t(1) << 15;
constexpr std::size_t MaxArenaSize = std::size_t(1) << 22;

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

std::string_view RunMemo::rewrite(const char16_t *run, qsizetype size)
{
    if (size > MaxKeySize)
        return rewriteDirectly(run, size);
    const quint32 hash = hashOf(run, size);
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t index = hash & mask;; index = (index + 1) & mask) {
        const Slot &slot = m_slots[index];
        if (slot.keySize == 0)
            return remember(hash, run, size);
        if (holds(slot, hash, run, size))
            return std::string_view(m_arena.data() + slot.offset + slot.keySize, slot.valueSize);
    }
}

std::string_view RunMemo::rewriteDirectly(const char16_t *run, qsizetype size)
{
    narrow(run, size, m_key);
    m_rewriter.rewrite(m_key, m_value, m_scratch);
    return m_value;
}

std::string_view RunMemo::remember(quint32 hash, const char16_t *run, qsizetype size)
{
    const std::string_view value = rewriteDirectly(run, size);
    if (m_count >= MaxCount || m_arena.size() + m_key.size() + value.size() > MaxArenaSize)
        clear();
    if ((m_count + 1) * 2 > m_slots.size())
        grow();
    freeSlotFor(hash) = {hash, quint32(m_arena.size()), quint16(size), quint16(value.size())};
    m_arena += m_key;
    m_arena += value;
    ++m_count;
    return value;
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

RunMemo::Slot &RunMemo::freeSlotFor(quint32 hash)
{
    const std::size_t mask = m_slots.size() - 1;
    std::size_t index = hash & mask;
    while (m_slots[index].keySize != 0)
        index = (index + 1) & mask;
    return m_slots[index];
}

void RunMemo::clear()
{
    std::fill(m_slots.begin(), m_slots.end(), Slot{});
    m_count = 0;
    m_arena.clear();
}

void RunMemo::grow()
{
    std::vector<Slot> old(m_slots.size() * 2, Slot{});
    old.swap(m_slots);
    for (const Slot &slot : old) {
        if (slot.keySize != 0)
            freeSlotFor(slot.hash) = slot;
    }
}

} // namespace wimblet::detail
