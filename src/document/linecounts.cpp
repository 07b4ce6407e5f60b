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

namespace {

constexpr quint64 kHighBits = 0x8080808080808080ull;

// The sum of the eight byte lanes of `lanes`.
quint64 sumLanes(quint64 lanes)
{
    constexpr quint64 kEvenBytes = 0x00FF00FF00FF00FFull;
    const quint64 pairs = (lanes & kEvenBytes) + ((lanes >> 8) & kEvenBytes);
    return (pairs * 0x0001000100010001ull) >> 48;
}

} // namespace

qint64 utf8Units(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = p + bytes.size();
    qint64 units = 0;
    // Eight bytes at a time, counted in byte lanes that are summed before any
    // can pass 255. A byte starts a sequence unless its top bits are 10, and
    // adds a second unit when they are 1111.
    while (end - p >= 8) {
        const uchar *const stop = p + std::min<qsizetype>((end - p) / 8, 255) * 8;
        quint64 starts = 0;
        quint64 long4 = 0;
        for (; p < stop; p += 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            const quint64 continuation = word & ~(word << 1) & kHighBits;
            starts += (~continuation & kHighBits) >> 7;
            long4 += (word & (word << 1) & (word << 2) & (word << 3) & kHighBits) >> 7;
        }
        units += qint64(sumLanes(starts) + sumLanes(long4));
    }
    for (; p < end; ++p)
        units += ((*p & 0xC0) != 0x80 ? 1 : 0) + (*p >= 0xF0 ? 1 : 0);
    return units;
}

} // namespace wimblet
