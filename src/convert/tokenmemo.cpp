#include "convert/tokenmemo.h"

#include <algorithm>
#include <cstring>

namespace wimblet::detail {

namespace {

constexpr std::size_t FirstTableSize = 1024;
constexpr std::size_t MaxCount = std::size_t(1) << 15;
constexpr std::size_t MaxArenaSize = std::size_t(1) << 21;

} // namespace

TokenMemo::TokenMemo() : m_table(FirstTableSize, Entry{}) { }

quint64 TokenMemo::hashRest(quint64 hash, const char16_t *token, qsizetype size)
{
    for (qsizetype at = 8; at < size - 4; at += 4)
        hash = (hash ^ fourAt(token + at)) * 0xFF51AFD7ED558CCDull;
    return hash;
}

bool TokenMemo::sameRest(const Entry &entry, const Key &key) const
{
    return std::memcmp(m_arena.data() + entry.arenaAt + 8, key.data + 8,
                       std::size_t(key.size - 12) * sizeof(char16_t))
            == 0;
}

const TokenMemo::Entry *TokenMemo::insert(const Key &key, const std::u16string &value,
                                          SentenceEffect sentence)
{
    if (m_count >= MaxCount
        || m_arena.size() + value.size() + std::size_t(key.size) > MaxArenaSize) {
        clear();
    }
    if ((m_count + 1) * 2 > m_table.size())
        grow();
    Entry &entry = freeEntryFor(key.hash);
    entry.head = key.head;
    entry.middle = key.middle;
    entry.tail = key.tail;
    entry.hash = key.hash;
    entry.keySize = quint16(key.size);
    entry.valueSize = quint16(value.size());
    entry.sentence = sentence;
    entry.arenaAt = quint32(m_arena.size());
    std::fill(std::begin(entry.inlineValue), std::end(entry.inlineValue), u'\0');
    std::copy_n(value.data(), std::min(value.size(), std::size_t(InlineValueSize)),
                entry.inlineValue);
    m_arena.append(key.data, std::size_t(key.size));
    m_arena.append(value);
    ++m_count;
    return &entry;
}

TokenMemo::Entry &TokenMemo::freeEntryFor(quint32 hash)
{
    const std::size_t mask = m_table.size() - 1;
    std::size_t index = hash & mask;
    while (m_table[index].keySize != 0)
        index = (index + 1) & mask;
    return m_table[index];
}

void TokenMemo::clear()
{
    std::fill(m_table.begin(), m_table.end(), Entry{});
    m_count = 0;
    m_arena.clear();
}

void TokenMemo::grow()
{
    std::vector<Entry> old(m_table.size() * 2, Entry{});
    old.swap(m_table);
    for (const Entry &entry : old) {
        if (entry.keySize != 0)
            freeEntryFor(entry.hash) = entry;
    }
}

} // namespace wimblet::detail
