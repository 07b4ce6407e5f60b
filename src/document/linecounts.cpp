#include "document/linecounts.h"

#include <algorithm>
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
        ++p;
        if (p == end) {
            m_pendingCr = true; // the next chunk tells
            return;
        }
        if (*p != '\n')
            ++m_count;
    }
}

void LoneCrUtf16::feed(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = p + bytes.size();
    if (m_oddByte >= 0 && p < end) {
        const uchar first = uchar(m_oddByte);
        m_oddByte = -1;
        const uchar second = *p++;
        unit(m_bigEndian || m_units == 0 ? char16_t(first << 8 | second)
                                         : char16_t(second << 8 | first));
    }
    for (; m_marked && end - p >= 2; p += 2)
        unit(m_bigEndian || m_units == 0 ? char16_t(p[0] << 8 | p[1]) : char16_t(p[1] << 8 | p[0]));
    if (m_marked && p < end)
        m_oddByte = *p;
}

void LoneCrUtf16::unit(char16_t u)
{
    // The first unit is read big-endian: FE FF is the mark in that order,
    // FF FE (read as U+FFFE) in the other.
    if (m_units++ == 0) {
        m_bigEndian = u == 0xFEFF;
        m_marked = u == 0xFEFF || u == 0xFFFE;
        return;
    }
    if (m_pendingCr && u != u'\n')
        ++m_count;
    m_pendingCr = u == u'\r';
}

qint64 utf8Units(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    qint64 units = 0;
    // In blocks small enough for a 32-bit sum, which the compiler vectorizes.
    for (qsizetype done = 0; done < bytes.size();) {
        const qsizetype block = std::min<qsizetype>(bytes.size() - done, qsizetype(1) << 20);
        quint32 sum = 0;
        for (qsizetype i = 0; i < block; ++i)
            sum += quint32((p[done + i] & 0xC0) != 0x80) + quint32(p[done + i] >= 0xF0);
        units += sum;
        done += block;
    }
    return units;
}

} // namespace wimblet
