#pragma once
// Indonesian-looking prose made on the spot, the same on every machine, for tests,
// benchmarks and fuzz seeds that need text of the kind the program is used for.

#include <QByteArray>
#include <QString>

namespace wimblet::testsupport {

/// Size of the standard sample: about the size of a long manual page.
inline constexpr qsizetype kSampleBytes = 128 * 1024;
inline constexpr quint32 kSampleSeed = 20261208u;

/// UTF-8 text of at least `minBytes` bytes: common Indonesian words in sentences of
/// varied length, headings in capitals, indented and tabbed lines, numbers, quotes and
/// brackets, a few accented letters and symbols beyond ASCII, some paragraphs longer
/// than any window is wide and some whose lines are joined by a lone LF. Lines end in
/// CR LF, the last one included; there is no lone CR. Equal seeds give equal text.
QByteArray sampleTextBytes(qsizetype minBytes = kSampleBytes, quint32 seed = kSampleSeed);

/// sampleTextBytes() decoded.
QString sampleText(qsizetype minBytes = kSampleBytes, quint32 seed = kSampleSeed);

} // namespace wimblet::testsupport
