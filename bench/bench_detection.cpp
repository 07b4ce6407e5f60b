// Telling an encoding from the bytes: every multi-byte character is judged by its
// neighbours, so scripts whose every character is one cost the most. Measured against
// QString::fromUtf8 of the same bytes, which any editor pays to open UTF-8, and which
// decodes a block of characters at a time where the judging goes one by one.

#include "harness.h"

#include "encoding/textencoding.h"
#include "support/mixedscripts.h"

#include <QString>

#include <cstdio>

using namespace wimblet;
using testsupport::Script;

namespace {

constexpr qsizetype kBytes = qsizetype(20) << 20;
constexpr int kRepeats = 5;

QByteArray paragraphsOf(const QList<Script> &scripts)
{
    QByteArray bytes;
    for (quint32 seed = 1; bytes.size() < kBytes; ++seed)
        bytes += testsupport::mixedParagraph(scripts, 2000, seed).toUtf8() + "\r\n";
    return bytes;
}

} // namespace

WIMBLET_BENCH(encoding_detection)
{
    const std::pair<const char *, QByteArray> samples[] = {
        {"Latin prose", bench::sampleOfSize(kBytes)},
        {"CJK", paragraphsOf({Script::Cjk})},
        {"Arabic", paragraphsOf({Script::Arabic})},
        {"Tamil and Devanagari", paragraphsOf({Script::Tamil, Script::Devanagari})},
        {"Latin and emoji", paragraphsOf({Script::Latin, Script::Emoji})},
    };
    for (const auto &[name, bytes] : samples) {
        // A stray byte at the end: nothing is settled before the last byte is judged.
        const QByteArray damaged = bytes + "\xE9";
        const double detect = bench::bestOf(kRepeats, [&] { detectEncoding(damaged); });
        const double decode = bench::bestOf(kRepeats, [&] { QString::fromUtf8(damaged); });
        const QByteArray what = "detect the encoding of 20 MB, " + QByteArray(name)
                + " / QString::fromUtf8";
        bench::reportRatio(what.constData(), detect, decode, 5.0);
    }
}
