// Wrapped rows after a typed key: re-wrapping the end or the middle of a paragraph of
// megabytes costs what it costs in a short one, because only the rows around the key
// are wrapped again; a new width is counted in slices that stop inside a long paragraph.
#include "harness.h"

#include "lines/documentrows.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace wimblet;

namespace {

constexpr qsizetype kHugeParagraph = qsizetype(5) << 20;
constexpr int kKeystrokes = 400;
constexpr int kRounds = 9;
// Characters an idle slice counts: a few milliseconds' worth.
constexpr qint64 kSliceChars = qint64(1) << 17;
constexpr int kFirstKeys = 24;

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

// One sentence of the sample over and over, as one paragraph of `chars` characters.
QString repetitiveParagraph(qsizetype chars)
{
    const QString sample = oneParagraph(4096);
    const QString sentence = sample.left(sample.indexOf(u'.', 40) + 2);
    QString text;
    while (text.size() < chars)
        text += sentence;
    text.truncate(chars);
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
        countAll();
    }

    void countAll()
    {
        while (rows.recountSome(kSliceChars)) { }
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

// Seconds spent on the first key typed at the start of a counted paragraph, summed
// over several keys, each counted in full before the next; and the slowest of them.
struct FirstKeys
{
    double total = 0;
    double slowest = 0;
};

FirstKeys firstKeys(Typist &t)
{
    FirstKeys out;
    QElapsedTimer timer;
    for (int i = 0; i < kFirstKeys; ++i) {
        const bool typing = i % 4 != 3; // now and then a backspace
        if (typing)
            t.text.insert(0, QChar(u'a' + i % 7));
        else
            t.text.remove(0, 1);
        timer.start();
        t.rows.edit(0, typing ? 0 : 1, typing ? 1 : 0);
        const double spent = double(timer.nsecsElapsed()) * 1e-9;
        out.total += spent;
        out.slowest = std::max(out.slowest, spent);
        t.countAll(); // the idle slices between keys, not timed
    }
    return out;
}

// Seconds each slice took, counting a new width in slices.
std::vector<double> sliceTimes(DocumentRows &rows, const WrapSetup &setup)
{
    rows.setLayout(setup);
    std::vector<double> times;
    QElapsedTimer timer;
    for (bool more = true; more;) {
        timer.start();
        more = rows.recountSome(kSliceChars);
        times.push_back(double(timer.nsecsElapsed()) * 1e-9);
    }
    return times;
}

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

// Repetitive text may run a word out of step with the old rows for good: the rows
// past a few are left to the idle slices instead of being wrapped at once.
void compareFirstKeys(const Layout &layout)
{
    Typist repetitive(repetitiveParagraph(kHugeParagraph), 0.0, layout.setup());
    Typist document(sampleLines(1024), 0.0, layout.setup());
    FirstKeys a, b;
    for (int round = 0; round < 3; ++round) {
        const FirstKeys ra = firstKeys(repetitive), rb = firstKeys(document);
        a.total = round == 0 ? ra.total : std::min(a.total, ra.total);
        b.total = round == 0 ? rb.total : std::min(b.total, rb.total);
        a.slowest = std::max(a.slowest, ra.slowest);
        b.slowest = std::max(b.slowest, rb.slowest);
    }
    bench::reportRatio("first key at the start: 5 MB repetitive paragraph / 1 KB document", a.total,
                       b.total, 2);
    std::printf("  %-58s %8.2f us / %8.2f us\n", "  slowest key", a.slowest * 1e6, b.slowest * 1e6);
}

// Every slice of counting a new width is short, though the paragraph is long.
void reportSlices(DocumentRows &rows)
{
    Layout narrower;
    WrapSetup setup = narrower.setup();
    setup.metrics.lineWidth = 500 * 64;
    setup.rowCharsHint = rowCharsFor(narrower.widths.data(), setup.metrics.lineWidth);
    // Every round counts the same slices: each one's best time, so that a slice the
    // scheduler interrupted does not count as slow.
    std::vector<double> best = sliceTimes(rows, setup);
    for (int round = 1; round < kRounds; ++round) {
        const std::vector<double> times = sliceTimes(rows, setup);
        for (size_t i = 0; i < std::min(best.size(), times.size()); ++i)
            best[i] = std::min(best[i], times[i]);
    }
    const double slowest = *std::max_element(best.begin(), best.end());
    std::printf("  %zu slices of %lld characters\n", best.size(), qlonglong(kSliceChars));
    bench::reportAtMost("largest recount slice after a width change, 5 MB paragraph", slowest * 1e3, 16,
                        "ms");
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
                          hugeMiddle.countAll();
                      }));
    bench::reportTime("a line break made and unmade in the middle", bench::bestOf(3, [&] {
                          hugeMiddle.text.insert(hugeMiddle.at, QLatin1String("\r\n"));
                          hugeMiddle.rows.edit(hugeMiddle.at, 0, 2);
                          hugeMiddle.text.remove(hugeMiddle.at, 2);
                          hugeMiddle.rows.edit(hugeMiddle.at, 2, 0);
                      }));

    compareFirstKeys(layout);
    reportSlices(hugeMiddle.rows);
    std::fflush(stdout);
}
