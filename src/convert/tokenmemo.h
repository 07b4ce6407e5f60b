#pragma once
// A memo of converted short tokens, keyed by their UTF-16 units.

#include "convert/textcase.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace wimblet::detail {

// For each token size up to 16, the bits of four 64-bit words of UTF-16 that belong to it.
using TokenKeepMaskTable = std::array<std::array<quint64, 4>, 17>;
constexpr TokenKeepMaskTable makeTokenKeepMasks()
{
    TokenKeepMaskTable masks{};
    for (qsizetype size = 0; size <= 16; ++size) {
        for (qsizetype word = 0; word < 4; ++word) {
            const qsizetype characters = std::clamp<qsizetype>(size - 4 * word, 0, 4);
            masks[std::size_t(size)][std::size_t(word)] =
                    characters == 4 ? ~quint64(0) : (quint64(1) << (16 * characters)) - 1;
        }
    }
    return masks;
}
inline constexpr TokenKeepMaskTable TokenKeepMasks = makeTokenKeepMasks();

/// Remembers the converted form of each token, because natural text repeats its words.
/// Tokens of up to sixteen characters are compared as four 64-bit words, so a lookup has
/// no branch that depends on the length of the word. Memory is bounded: when the memo
/// is full it starts over.
class TokenMemo
{
public:
    /// Characters a key is read as: keyOf() reads this many at the token.
    static constexpr qsizetype KeyWidth = 16;
    /// Characters that may be read at valueOf(), whatever the size of the value.
    static constexpr qsizetype ValueSlack = 16;
    static_assert(KeyWidth + 1 == TokenKeepMasks.size());
    /// Tokens longer than this are not remembered.
    static constexpr qsizetype MaxKeySize = 48;

    /// A token with what finding it takes, worked out once.
    struct Key {
        const char16_t *data;
        qsizetype size;
        std::array<quint64, 4> words; ///< the first KeyWidth characters, zero after the token
        quint32 hash;
    };

    struct alignas(64) Entry {
        std::array<quint64, 4> words;
        quint32 hash;
        quint16 keySize; ///< 0 for a free entry
        quint16 valueSize;
        quint32 valueAt; ///< where the value starts in the arena
        quint32 keyAt;   ///< where a key longer than KeyWidth starts in the arena
        SentenceEffect sentence; ///< how the value takes part in sentence capitals
        /// Where sentence capitals may have to change the value (its first letter, if that
        /// is a small ASCII letter), or -1.
        qint16 capitalAt;
    };

    TokenMemo();

    /// The key of a token of 1 to MaxKeySize characters. KeyWidth characters are read at
    /// `words`, which holds the token's first characters: the token itself, or a copy of a
    /// short token near the end of its text.
    static Q_ALWAYS_INLINE Key keyOf(const char16_t *token, qsizetype size,
                                     const char16_t *words)
    {
        Key key{token, size, {}, 0};
        std::memcpy(key.words.data(), words, sizeof key.words);
        const std::array<quint64, 4> &keep = TokenKeepMasks[std::size_t(std::min(size, KeyWidth))];
        for (std::size_t i = 0; i < 4; ++i)
            key.words[i] &= keep[i];
        quint64 hash = (key.words[0] * 0x9E3779B97F4A7C15ull)
                ^ (key.words[1] * 0xC2B2AE3D27D4EB4Full) ^ (key.words[2] * 0x165667B19E3779F9ull)
                ^ ((key.words[3] + quint64(size)) * 0xFF51AFD7ED558CCDull);
        if (size > KeyWidth)
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
            if (holds(entry, key))
                return &entry;
            if (entry.keySize == 0)
                return nullptr;
        }
    }

    /// Remembers `value` for the token and returns its entry (valid until the next call).
    const Entry *insert(const Key &key, const std::u16string &value, SentenceEffect sentence);

    /// Changes whenever entries move or are forgotten, which makes earlier entry
    /// pointers invalid.
    quint32 generation() const { return m_generation; }

    /// The value, followed by at least ValueSlack readable characters.
    const char16_t *valueOf(const Entry &entry) const { return m_arena.data() + entry.valueAt; }

private:
    static quint64 hashRest(quint64 hash, const char16_t *token, qsizetype size);

    // A free entry never holds a key: its size is 0 and keys have at least one character.
    bool holds(const Entry &entry, const Key &key) const
    {
        const quint64 difference = (entry.words[0] ^ key.words[0])
                | (entry.words[1] ^ key.words[1]) | (entry.words[2] ^ key.words[2])
                | (entry.words[3] ^ key.words[3]);
        if (difference != 0 || entry.keySize != key.size)
            return false;
        return key.size <= KeyWidth || sameRest(entry, key);
    }
    bool sameRest(const Entry &entry, const Key &key) const;
    qsizetype store(const char16_t *text, qsizetype size);
    Entry &freeEntryFor(quint32 hash);
    void clear();
    void grow();

    std::vector<Entry> m_table; ///< open addressing, at most a quarter full
    std::size_t m_count = 0;
    std::vector<char16_t> m_arena; ///< values and long keys, then ValueSlack zeros
    qsizetype m_arenaUsed = 0;
    quint32 m_generation = 0;
};

} // namespace wimblet::detail
