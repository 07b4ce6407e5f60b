#include "document/linecounts.h"

#include <cstring>

namespace wimblet {

void LoneCrBytes::feed(QByteArrayView bytes)
{
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    if (p == end)
        return;
    if (m_pendingCr && *p != '\n')
        ++m_count;
    m_pendingCr = false;
    while ((p = static_cast<const char *>(std::memchr(p, '\r', end - p)))) {
        ++m_breaks;
        ++p;
        if (p == end) {
            m_pendingCr = true; // the next chunk tells
            return;
        }
        if (*p != '\n')
            ++m_count;
    }
}

void LoneCrUnits::feed(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = p + bytes.size();
    while (m_marked && m_heldCount > 0 && p < end) {
        m_held[m_heldCount++] = *p++;
        if (m_heldCount == m_width) {
            m_heldCount = 0;
            unit(m_held);
        }
    }
    for (; m_marked && end - p >= m_width; p += m_width)
        unit(p);
    while (m_marked && p < end)
        m_held[m_heldCount++] = *p++;
}

void LoneCrUnits::unit(const uchar *p)
{
    char32_t value = 0;
    for (int i = 0; i < m_width; ++i)
        value = value << 8 | p[m_bigEndian ? i : m_width - 1 - i];
    // The first unit is read big-endian: the mark reads as U+FEFF in that
    // order, and as its bytes swapped in the other.
    if (m_units++ == 0) {
        const char32_t swapped = m_width == 2 ? 0xFFFE : 0xFFFE0000;
        m_bigEndian = value == 0xFEFF;
        m_marked = m_bigEndian || value == swapped;
        return;
    }
    if (m_pendingCr && value != u'\n')
        ++m_count;
    m_pendingCr = value == u'\r';
    m_breaks += m_pendingCr ? 1 : 0;
}

} // namespace wimblet
