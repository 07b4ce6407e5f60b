#include "convert/tokenmemo.h"

#include <algorithm>
#include <cstring>

namespace wimblet::detail {

namespace {

constexpr std::size_t FirstTableSize = 2048;
constexpr std::size_t MaxCount = std::size_t(1) << 15;
constexpr qsizetype MaxArenaSize = qsizetype(1) << 21;

} // namespace

TokenMemo::TokenMemo() : m_table(FirstTableSize, Entry{}), m_arena(ValueSlack, u'\0') { }

quint64 TokenMemo::hashRest(quint64 hash, const char16_t *token, qsizetype size)
{
    qsizetype at = KeyWidth;
    for (; at + 4 <= size; at += 4) {
        quint64 four;
        std::memcpy(&four, token + at, sizeof four);
        hash = (hash ^ four) * 0xFF51AFD7ED558CCDull;
    }
    for (; at < size; ++at)
        hash = (hash ^ token[at]) * 0x9E3779B97F4A7C15ull;
    return hash;
}

bool TokenMemo::sameRest(const Entry &entry, const Key &key) const
{
    return std::memcmp(m_arena.data() + entry.keyAt, key.data + KeyWidth,
                       std::size_t(key.size - KeyWidth) * sizeof(char16_t))
            == 0;
}

// Appends to the arena, keeping ValueSlack zeros after the last piece.
qsizetype TokenMemo::store(const char16_t *text, qsizetype size)
{
    const qsizetype at = m_arenaUsed;
    m_arena.resize(std::size_t(at + size + ValueSlack), u'\0');
    std::copy_n(text, size, m_arena.begin() + at);
    std::fill_n(m_arena.begin() + at + size, ValueSlack, u'\0');
    m_arenaUsed = at + size;
    return at;
}

const TokenMemo::Entry *TokenMemo::insert(const Key &key, const std::u16string &value,
                                          SentenceEffect sentence)
{
    if (m_count >= MaxCount
        || m_arenaUsed + qsizetype(value.size()) + key.size > MaxArenaSize) {
        clear();
    }
    if ((m_count + 1) * 4 > m_table.size())
        grow();
    Entry &entry = freeEntryFor(key.hash);
    entry.words = key.words;
    entry.hash = key.hash;
    entry.keySize = quint16(key.size);
    entry.valueSize = quint16(value.size());
    entry.keyAt = key.size > KeyWidth
            ? quint32(store(key.data + KeyWidth, key.size - KeyWidth))
            : 0;
    entry.valueAt = quint32(store(value.data(), qsizetype(value.size())));
    entry.sentence = sentence;
    const qint16 first = sentence.firstLetter;
    const bool small = first >= 0 && value[std::size_t(first)] >= u'a'
            && value[std::size_t(first)] <= u'z';
    entry.capitalAt = small ? first : qint16(-1);
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
    m_arena.assign(ValueSlack, u'\0');
    m_arenaUsed = 0;
    ++m_generation;
}

void TokenMemo::grow()
{
    std::vector<Entry> old(m_table.size() * 2, Entry{});
    old.swap(m_table);
    ++m_generation;
    for (const Entry &entry : old) {
        if (entry.keySize != 0)
            freeEntryFor(entry.hash) = entry;
    }
}

} // namespace wimblet::detail
