#pragma once
// A text as the bytes of its UTF-16 units, for building UTF-16 files in tests.

#include <QByteArray>
#include <QStringView>

namespace wimblet::testsupport {

// `text` as UTF-16 units in the given byte order, unit by unit as they stand
// (an unpaired surrogate included), without a byte order mark.
inline QByteArray utf16Units(QStringView text, bool bigEndian) {
  QByteArray bytes;
  bytes.reserve(text.size() * 2);
  for (const QChar ch : text) {
    const auto high = char(ch.unicode() >> 8);
    const auto low = char(ch.unicode() & 0xFF);
    bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
  }
  return bytes;
}

} // namespace wimblet::testsupport
