#pragma once

#include "convert/textcase.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace wimblet::detail {

/// Remembers the converted form of each token, because natural text repeats its words.
/// A lookup reads one cache line for most tokens. Memory is bounded: when the memo is
/// full it starts over.
class TokenMemo
{
public:
    /// A token with what finding it takes, worked out once. Head, middle and tail cover
    /// tokens of up to twelve characters completely.
    struct Key {
        const char16_t *data;
        qsizetype size;
        quint64 head;   ///< the first four characters (fewer, zero-padded, if short)
        quint64 middle; ///< the four after them (fewer, zero-padded, or none)
        quint64 tail;   ///< the last four characters
        quint32 hash;
    };

    /// Values up to this size live in the entry itself.
    static constexpr qsizetype InlineValueSize = 12;

    struct alignas(64) Entry {
        quint64 head;
        quint64 middle;
        quint64 tail;
        quint32 hash;
        quint16 keySize; ///< 0 for a free entry
        quint16 valueSize;
        SentenceEffect sentence; ///< how the value takes part in sentence capitals
        quint32 arenaAt;         ///< where the key starts in the arena; the value follows it
        char16_t inlineValue[InlineValueSize];
    };

    /// Tokens longer than this are not remembered.
    static constexpr qsizetype MaxKeySize = 48;

    TokenMemo();

    /// The key of a token of 1 to MaxKeySize characters; `padded` says that at least
    /// eight characters may be read at `token`.
    static Q_ALWAYS_INLINE Key keyOf(const char16_t *token, qsizetype size, bool padded)
    {
        Key key{token, size, 0, 0, 0, 0};
        if (padded && size < 8) {
            quint64 first[2];
            std::memcpy(first, token, sizeof first);
            const quint64 keep = size < 4 ? (quint64(1) << (16 * size)) - 1 : ~quint64(0);
            key.head = first[0] & keep;
            key.middle = size > 4 ? first[1] & ((quint64(1) << (16 * (size - 4))) - 1) : 0;
        } else {
            key.head = charactersAt(token, std::min<qsizetype>(size, 4));
            key.middle = charactersAt(token + 4, std::clamp<qsizetype>(size - 4, 0, 4));
        }
        key.tail = size >= 4 ? fourAt(token + size - 4) : key.head;
        quint64 hash = (key.head * 0x9E3779B97F4A7C15ull) ^ (key.middle * 0xC2B2AE3D27D4EB4Full)
                ^ ((key.tail + quint64(size)) * 0xFF51AFD7ED558CCDull);
        if (size > 12)
            hash = hashRest(hash, token, size);
        key.hash = quint32(hash >> 32) ^ quint32(hash);
        return key;
    }

    /// The entry for the token, or nullptr.
    const Entry *find(const Key &key) const
    {
        const std::size_t mask = m_table.size() - 1;
        for (std::size_t index = key.hash & mask;; index = (index + 1) & mask) {
            const Entry &entry = m_table[index];
            if (entry.keySize == 0)
                return nullptr;
            if (holds(entry, key))
                return &entry;
        }
    }

    /// Remembers `value` for the token and returns its entry (valid until the next call).
    const Entry *insert(const Key &key, const std::u16string &value, SentenceEffect sentence);

    /// The value. For values up to InlineValueSize, that many characters may be read.
    const char16_t *valueOf(const Entry &entry) const
    {
        return entry.valueSize <= InlineValueSize ? entry.inlineValue
                                                  : m_arena.data() + entry.arenaAt + entry.keySize;
    }

private:
    static quint64 fourAt(const char16_t *text)
    {
        quint64 chunk;
        std::memcpy(&chunk, text, sizeof chunk);
        return chunk;
    }
    static quint64 charactersAt(const char16_t *text, qsizetype count)
    {
        if (count == 4)
            return fourAt(text);
        quint64 chunk = 0;
        for (qsizetype i = 0; i < count; ++i)
            chunk |= quint64(text[i]) << (16 * i);
        return chunk;
    }
    static quint64 hashRest(quint64 hash, const char16_t *token, qsizetype size);

    bool holds(const Entry &entry, const Key &key) const
    {
        if (entry.hash != key.hash || entry.keySize != key.size || entry.head != key.head
            || entry.middle != key.middle || entry.tail != key.tail) {
            return false;
        }
        return key.size <= 12 || sameRest(entry, key);
    }
    bool sameRest(const Entry &entry, const Key &key) const;
    Entry &freeEntryFor(quint32 hash);
    void clear();
    void grow();

    std::vector<Entry> m_table; ///< open addressing, at most half full
    std::size_t m_count = 0;
    std::u16string m_arena;
};

} // namespace wimblet::detail
