#include "encoding/encodingdetector.h"

#include <algorithm>

namespace wimblet {

void EncodingDetector::feed(QByteArrayView bytes)
{
    m_utf8.feed(bytes);
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = p + bytes.size();
    for (; p < end && m_size < 4; ++p)
        m_start[m_size++] = *p;
    m_size += end - p;
    if (m_mark == Mark::Undecided && m_size >= 2) {
        m_mark = m_start[0] == 0xFF && m_start[1] == 0xFE ? Mark::LittleEndian
                : m_start[0] == 0xFE && m_start[1] == 0xFF ? Mark::BigEndian
                                                           : Mark::None;
    }
    if (m_mark != Mark::LittleEndian && m_mark != Mark::BigEndian)
        return;
    // The units after the mark that the first bytes held, then the rest.
    const int started = int(std::min<qint64>(m_size, 4));
    feedUtf16(m_start + m_startChecked, m_start + started);
    m_startChecked = started;
    feedUtf16(p, end);
}

TextEncoding EncodingDetector::encoding() const
{
    const bool utf32 = m_mark == Mark::LittleEndian && m_size >= 4 && m_start[2] == 0
            && m_start[3] == 0;
    const bool utf16 = (m_mark == Mark::LittleEndian || m_mark == Mark::BigEndian) && !utf32
            && m_oddByte < 0 && m_units.heldHigh == 0 && !m_units.replaced;
    if (utf16)
        return m_mark == Mark::LittleEndian ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
    return m_utf8.result().valid ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

void EncodingDetector::feedUtf16(const uchar *p, const uchar *end)
{
    // The decoder's own pairing rule, its text thrown away a block at a time.
    const bool bigEndian = m_mark == Mark::BigEndian;
    char16_t scratch[2048 + 2];
    if (m_oddByte >= 0 && p < end) {
        const uchar unit[2] = {uchar(m_oddByte), *p++};
        detail::decodeUtf16Span(unit, unit + 2, bigEndian, m_units, scratch);
        m_oddByte = -1;
    }
    while (end - p >= 2) {
        const qsizetype take = std::min<qsizetype>((end - p) & ~qsizetype(1), 4096);
        detail::decodeUtf16Span(p, p + take, bigEndian, m_units, scratch);
        p += take;
    }
    if (p < end)
        m_oddByte = *p;
}

TextEncoding detectEncoding(QByteArrayView bytes)
{
    EncodingDetector detector;
    detector.feed(bytes);
    return detector.encoding();
}

} // namespace wimblet
