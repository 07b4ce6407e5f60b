// Wrapped rows after a typed key: re-wrapping the end or the middle of a paragraph of
// megabytes costs what it costs in a short one, because only the rows around the key
// are wrapped again.
#include "harness.h"

#include "lines/documentrows.h"

#include <QElapsedTimer>

#include <cstdio>
#include <memory>

using namespace wimblet;

namespace {

constexpr qsizetype kHugeParagraph = qsizetype(5) << 20;
constexpr int kKeystrokes = 400;
constexpr int kRounds = 9;

// A fixed-pitch font of 8 pixels a character, rows of 80 characters.
struct Layout
{
    std::vector<qint32> widths = std::vector<qint32>(65536, 8 * 64);
    WrapSetup setup() const
    {
        const qint64 lineWidth = 640 * 64;
        return WrapSetup {widths.data(), RowMetrics {lineWidth, 64 * 64},
                          rowCharsFor(widths.data(), lineWidth)};
    }
};

// The sample prose as one paragraph of at least `chars` characters.
QString oneParagraph(qsizetype chars)
{
    QString text = QString::fromUtf8(bench::sampleOfSize(chars + chars / 8));
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.truncate(chars);
    return text;
}

// Whole lines of the sample, about `bytes` long.
QString sampleLines(qsizetype bytes)
{
    QString text = QString::fromUtf8(bench::sampleOfSize(bytes));
    const qsizetype cut = text.indexOf(QLatin1String("\r\n"), bytes);
    if (cut > 0)
        text.truncate(cut);
    return text;
}

// A document, its rows counted, and a place to type at.
struct Typist
{
    QString text;
    qint64 at;
    DocumentRows rows;

    Typist(QString t, double where, const WrapSetup &setup)
        : text(std::move(t))
        , at(qint64(double(text.size()) * where))
        , rows(setup, [this](qint64 from, qint64 count) { return text.mid(from, count); })
    {
        rows.reset(text.size());
        while (rows.recountSome(1000)) { }
    }

    // Seconds spent re-wrapping for kKeystrokes keys, a letter and a backspace in turn;
    // the text's own change is not timed.
    double type()
    {
        QElapsedTimer timer;
        qint64 spent = 0;
        for (int i = 0; i < kKeystrokes / 2; ++i) {
            text.insert(at, u'a');
            timer.start();
            rows.edit(at, 0, 1);
            spent += timer.nsecsElapsed();
            text.remove(at, 1);
            timer.start();
            rows.edit(at, 1, 0);
            spent += timer.nsecsElapsed();
        }
        return double(spent) * 1e-9;
    }
};

// Best of several rounds for each, the two typed into in turn.
void compare(const char *what, Typist &a, Typist &b, double limit)
{
    double bestA = 1e100, bestB = 1e100;
    for (int round = 0; round < kRounds; ++round) {
        bestA = std::min(bestA, a.type());
        bestB = std::min(bestB, b.type());
    }
    bench::reportRatio(what, bestA, bestB, limit);
    std::printf("  %-58s %8.2f us / %8.2f us\n", "  per key", bestA * 1e6 / kKeystrokes,
                bestB * 1e6 / kKeystrokes);
}

} // namespace

WIMBLET_BENCH(wrap_rows)
{
    const Layout layout;
    const QString huge = oneParagraph(kHugeParagraph);
    std::printf("  one paragraph of %lld characters, %d keys typed per round\n", qlonglong(huge.size()),
                kKeystrokes);
    {
        Typist hugeEnd(huge, 1.0, layout.setup());
        Typist shortEnd(oneParagraph(50 * 1024), 1.0, layout.setup());
        compare("keys at the end: 5 MB paragraph / 50 KB paragraph", hugeEnd, shortEnd, 1.5);
    }
    Typist hugeMiddle(huge, 0.5, layout.setup());
    Typist small(sampleLines(1024), 0.5, layout.setup());
    compare("keys in the middle: 5 MB paragraph / 1 KB document", hugeMiddle, small, 2);

    // For comparison: the first count, and a line break made and unmade in the middle,
    // whose following rows are wrapped again until they fall in step with the old ones.
    bench::reportTime("first count of the 5 MB paragraph", bench::bestOf(3, [&] {
                          hugeMiddle.rows.setLayout(layout.setup());
                          while (hugeMiddle.rows.recountSome(1000)) { }
                      }));
    bench::reportTime("a line break made and unmade in the middle", bench::bestOf(3, [&] {
                          hugeMiddle.text.insert(hugeMiddle.at, QLatin1String("\r\n"));
                          hugeMiddle.rows.edit(hugeMiddle.at, 0, 2);
                          hugeMiddle.text.remove(hugeMiddle.at, 2);
                          hugeMiddle.rows.edit(hugeMiddle.at, 2, 0);
                      }));
    std::fflush(stdout);
}
