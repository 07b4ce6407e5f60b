// Style conversion: the fast conversions against the step-by-step reference and against
// one plain lower-casing pass, which every conversion has to make anyway.

#include "harness.h"

#include "convert/filterencoding.h"
#include "convert/naiveconversion.h"
#include "convert/styleconversion.h"
#include "convert/textcase.h"

#include <cstdio>

namespace {

constexpr qsizetype FullSize = 10 * 1000 * 1000;
// The reference makes 120 passes over the whole text; a smaller slice keeps it short.
constexpr qsizetype SliceSize = 1000 * 1000;

volatile qsizetype g_sink = 0;

double timeOf(int repeats, QString (*convert)(const QString &), const QString &text)
{
    return bench::bestOf(repeats, [&] { g_sink = g_sink + convert(text).size(); });
}

void checkSame(const char *what, const QString &fast, const QString &naive)
{
    if (fast != naive)
        std::printf("  %s: fast and reference results DIFFER\n", what);
}

void compareDirection(const char *name, QString (*fast)(const QString &),
                      QString (*naive)(const QString &), const QString &text)
{
    const QString slice = text.left(SliceSize);
    checkSame(name, fast(slice), naive(slice));
    const double naiveSlice = timeOf(2, naive, slice);
    const double fastSlice = timeOf(5, fast, slice);
    const double lower = timeOf(5, &wimblet::lowerCase, text);
    const double fastFull = timeOf(5, fast, text);

    const QByteArray reference = QByteArray("reference / fast ") + name + " (1 MB)";
    bench::reportRatio(reference.constData(), naiveSlice, fastSlice, 20.0, false);
    const QByteArray lowering = QByteArray("fast ") + name + " / one lower-casing (10 MB)";
    bench::reportRatio(lowering.constData(), fastFull, lower, 3.0);
}

} // namespace

WIMBLET_BENCH(convert_styles)
{
    const QByteArray bytes = bench::sampleOfSize(FullSize);
    const QString text = QString::fromUtf8(bytes);
    compareDirection("Cute Style", &wimblet::toCuteStyle, &wimblet::naive::toCuteStyle, text);

    // The normal conversion is meant for Cute Style text, so it gets that as input.
    const QString cute = wimblet::toCuteStyle(text);
    compareDirection("Normal Style", &wimblet::toNormalStyle, &wimblet::naive::toNormalStyle,
                     cute);

    const double filter = bench::bestOf(3, [&] {
        const wimblet::filter::DecodedText decoded = wimblet::filter::decode(bytes);
        const QString converted = wimblet::toCuteStyle(decoded.text);
        g_sink = g_sink + wimblet::filter::encode(converted, decoded.encoding).size();
    });
    bench::reportTime("wimblet-convert --cute work on 10 MB (decode, convert, encode)", filter);
}
