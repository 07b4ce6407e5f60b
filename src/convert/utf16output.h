#pragma once
// The buffer a conversion writes its result into.

#include <QString>

#include <algorithm>
#include <cstring>

namespace wimblet::detail {

/// A converted text, grown as needed, with room for a short piece more than it holds.
class Utf16Output
{
public:
    explicit Utf16Output(qsizetype expected) { reserve(expected + expected / 8 + 64); }

    static constexpr qsizetype ShortPiece = 16;

    // Appends and returns where the appended characters now are. `padded` says that
    // ShortPiece characters may be read at `text` whatever `size` is.
    Q_ALWAYS_INLINE char16_t *append(const char16_t *text, qsizetype size, bool padded)
    {
        char16_t *at = makeRoom(size);
        if (padded && size <= ShortPiece)
            std::memcpy(at, text, ShortPiece * sizeof(char16_t));
        else
            std::memcpy(at, text, std::size_t(size) * sizeof(char16_t));
        m_size += size;
        return at;
    }

    // Room for `size` more characters and ShortPiece after them; returns where they go.
    // The caller writes there and then says where it stopped with setEnd().
    Q_ALWAYS_INLINE char16_t *makeRoom(qsizetype size)
    {
        if (m_size + size + ShortPiece > m_capacity)
            reserve(std::max(m_size + size + ShortPiece, m_capacity + m_capacity / 2));
        return m_data + m_size;
    }
    void setEnd(const char16_t *end) { m_size = end - m_data; }

    qsizetype size() const { return m_size; }
    // Empties it for reuse, keeping its room.
    void clear() { m_size = 0; }
    char16_t *data() { return m_data; }
    const char16_t *data() const { return m_data; }

    QString take()
    {
        m_text.resize(m_size);
        return std::move(m_text);
    }

private:
    void reserve(qsizetype capacity)
    {
        // Exactly this much: resize() would round big blocks up to a power of two.
        QString larger(capacity, Qt::Uninitialized);
        char16_t *data = reinterpret_cast<char16_t *>(larger.data());
        if (m_size > 0)
            std::memcpy(data, m_data, std::size_t(m_size) * sizeof(char16_t));
        m_text.swap(larger);
        m_data = data;
        m_capacity = capacity;
    }

    QString m_text;
    char16_t *m_data = nullptr;
    qsizetype m_size = 0;
    qsizetype m_capacity = 0;
};

} // namespace wimblet::detail
