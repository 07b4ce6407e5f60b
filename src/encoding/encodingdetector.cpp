#include "encoding/encodingdetector.h"

#include <algorithm>
#include <cstring>

namespace wimblet {

namespace {

constexpr uchar kUtf32LeMark[4] = {0xFF, 0xFE, 0x00, 0x00};
constexpr uchar kUtf32BeMark[4] = {0x00, 0x00, 0xFE, 0xFF};

} // namespace

void EncodingDetector::feed(QByteArrayView bytes)
{
    m_utf8.feed(bytes);
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = p + bytes.size();
    for (; p < end && m_size < 4; ++p)
        m_start[m_size++] = *p;
    m_size += end - p;
    if (m_utf32Mark == Mark::Undecided && m_size >= 4) {
        m_utf32Mark = std::memcmp(m_start, kUtf32LeMark, 4) == 0 ? Mark::LittleEndian
                : std::memcmp(m_start, kUtf32BeMark, 4) == 0    ? Mark::BigEndian
                                                                : Mark::None;
        if (m_utf32Mark != Mark::None)
            feedUtf32(m_start, m_start + 4);
    }
    if (m_utf32Mark == Mark::LittleEndian || m_utf32Mark == Mark::BigEndian)
        feedUtf32(p, end);
}

TextEncoding EncodingDetector::encoding() const
{
    const bool utf32 = (m_utf32Mark == Mark::LittleEndian || m_utf32Mark == Mark::BigEndian)
            && m_utf32Valid && m_heldUtf32Count == 0;
    if (utf32)
        return m_utf32Mark == Mark::LittleEndian ? TextEncoding::Utf32LE : TextEncoding::Utf32BE;
    // A UTF-16 mark settles it, damaged or not: every unit is kept as it stands.
    if (m_size >= 2 && m_start[0] == 0xFF && m_start[1] == 0xFE)
        return TextEncoding::Utf16LE;
    if (m_size >= 2 && m_start[0] == 0xFE && m_start[1] == 0xFF)
        return TextEncoding::Utf16BE;
    return readsAsUtf8(m_utf8.result()) ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

qint64 EncodingDetector::textUnits() const
{
    switch (encoding()) {
    case TextEncoding::Utf8:
        return m_utf8.result().utf16Units;
    case TextEncoding::Windows1252:
        return m_size;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        return m_size / 2;
    case TextEncoding::Utf32LE:
    case TextEncoding::Utf32BE:
        return m_utf32Units;
    }
    Q_UNREACHABLE();
}

bool EncodingDetector::readsAsAscii() const
{
    const qint64 seen = std::min<qint64>(m_size, 4);
    const bool utf32BeStart = seen > 0 && std::memcmp(m_start, kUtf32BeMark, size_t(seen)) == 0;
    return m_utf8.result().ascii && !utf32BeStart;
}

void EncodingDetector::feedUtf32(const uchar *p, const uchar *end)
{
    // The first unit that is no character settles it: the rest need no look.
    if (!m_utf32Valid)
        return;
    const bool bigEndian = m_utf32Mark == Mark::BigEndian;
    const auto take = [&](const uchar *unit) {
        const char32_t value = detail::utf32UnitAt(unit, bigEndian);
        m_utf32Valid = m_utf32Valid && detail::isScalarValue(value);
        m_utf32Units += value >= 0x10000 ? 2 : 1;
    };
    while (m_heldUtf32Count > 0 && p < end) {
        m_heldUtf32[m_heldUtf32Count++] = *p++;
        if (m_heldUtf32Count == 4) {
            take(m_heldUtf32);
            m_heldUtf32Count = 0;
        }
    }
    for (; end - p >= 4 && m_utf32Valid; p += 4)
        take(p);
    for (; p < end && m_utf32Valid; ++p)
        m_heldUtf32[m_heldUtf32Count++] = *p;
}

TextEncoding detectEncoding(QByteArrayView bytes)
{
    EncodingDetector detector;
    detector.feed(bytes);
    return detector.encoding();
}

bool windows1252ReadsBack(const EncodingDetector &detector)
{
    return detector.encoding() == TextEncoding::Windows1252 || detector.readsAsAscii();
}

EncodedText encodeReadingBack(QStringView text, TextEncoding preferred, QStringView ending)
{
    EncodedText encoded = encodeText(text, preferred, ending);
    if (encoded.encoding == TextEncoding::Windows1252) {
        EncodingDetector detector;
        detector.feed(encoded.bytes);
        if (!windows1252ReadsBack(detector))
            encoded = encodeText(text, TextEncoding::Utf8, ending);
    }
    return encoded;
}

} // namespace wimblet
