// Style conversion: the fast conversions against the step-by-step reference and against
// one plain lower-casing pass (the locale's, which every conversion has to make anyway),
// all on the same 10 MB of Indonesian text. The fast conversions use every processor for
// a text this large; how they do on one thread alone is printed for comparison.

#include "harness.h"

#include "support/naiveconversion.h"
#include "convert/styleconversion.h"
#include "convert/textcase.h"
#include "encoding/textencoding.h"

#include <QByteArray>

#include <cstdio>

namespace {

constexpr qsizetype TextSize = 10 * 1000 * 1000;

volatile qsizetype g_sink = 0;

double timeOf(int repeats, QString (*convert)(const QString &), const QString &text)
{
    return bench::bestOf(repeats, [&] { g_sink = g_sink + convert(text).size(); });
}

void compareDirection(const char *name, QString (*fast)(const QString &),
                      QString (*naive)(const QString &),
                      QString (*inParts)(const QString &, int, qsizetype), int naiveRepeats,
                      const QString &text)
{
    const QString fastResult = fast(text);
    const double naiveTime = bench::bestOf(naiveRepeats, [&] {
        if (naive(text) != fastResult)
            std::printf("  %s: fast and reference results DIFFER\n", name);
    });
    const double lowerTime = timeOf(9, &wimblet::lowerCase, text);
    const double fastTime = timeOf(9, fast, text);
    const double oneThreadTime =
            bench::bestOf(9, [&] { g_sink = g_sink + inParts(text, 1, 0).size(); });

    const QByteArray reference = QByteArray("reference / fast ") + name;
    bench::reportRatio(reference.constData(), naiveTime, fastTime, 20.0, false);
    const QByteArray lowering = QByteArray("fast ") + name + " / one lower-casing";
    bench::reportRatio(lowering.constData(), fastTime, lowerTime, 3.0);
    const QByteArray oneThread = QByteArray("reference / fast ") + name + " on one thread";
    bench::reportRatioOnly(oneThread.constData(), naiveTime, oneThreadTime);
}

} // namespace

WIMBLET_BENCH(convert_styles)
{
    const QByteArray bytes = bench::sampleOfSize(TextSize);
    const QString text = QString::fromUtf8(bytes);
    compareDirection("Cute Style", &wimblet::toCuteStyle, &wimblet::naive::toCuteStyle,
                     &wimblet::detail::toCuteStyleInParts, 1, text);

    // The normal conversion is meant for Cute Style text; it is measured on that and on
    // the ordinary text as well.
    const QString cute = wimblet::toCuteStyle(text);
    compareDirection("Normal Style", &wimblet::toNormalStyle, &wimblet::naive::toNormalStyle,
                     &wimblet::detail::toNormalStyleInParts, 3, cute);
    compareDirection("Normal Style (ordinary text)", &wimblet::toNormalStyle,
                     &wimblet::naive::toNormalStyle, &wimblet::detail::toNormalStyleInParts,
                     3, text);

    const double filter = bench::bestOf(3, [&] {
        const wimblet::DecodedText decoded = wimblet::decodeUtf8OrWindows1252(bytes);
        const QString converted = wimblet::toCuteStyle(decoded.text);
        g_sink = g_sink + wimblet::encodeText(converted, decoded.encoding).bytes.size();
    });
    bench::reportTime("wimblet-convert --cute work (decode, convert, encode)", filter);
}
