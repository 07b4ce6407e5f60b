// Rows of every script counted about as fast as Latin, and counting that never holds up
// a key: the CPU to count 10 MB of CJK, Tamil, Arabic and emoji-strewn prose against
// Latin, each through the view's own rows, font and width; the slowest key while each is
// counted; a key at the end of a 5 MB line of each against a 1 KB document; and lines
// that draw as nothing or nearly (1 M zero-width spaces, 500 K flags, a letter under
// 1 M marks): a key at their end, and opening them against 5 MB of Latin.
#include "harness.h"
#include "paintprobe.h"

#include "app/frmNotepad.h"
#include "lines/segmentwidths.h"
#include "support/scriptcorpus.h"
#include "textview/viewlayout.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace wimblet;
using namespace wimblet::testsupport;

namespace {

constexpr quint32 kSeed = 20261209u;
constexpr qsizetype kCountedBytes = qsizetype(10) << 20;
constexpr int kMostSpins = 100000;
constexpr int kKeys = 100;
constexpr int kRounds = 3;

double threadCpu()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

const Corpus kScripts[] = {Corpus::CjkLines, Corpus::CjkParagraphs, Corpus::TamilLines,
                           Corpus::ArabicLines, Corpus::EmojiLatin};

// The window's text font and the room for text in its text box.
struct ViewLook
{
    QFont font;
    qreal width = 640;
};

ViewLook windowLook()
{
    frmNotepad window;
    window.show();
    QCoreApplication::processEvents();
    TextBox *txt = window.components().txt;
    return {txt->font(), qreal(txt->viewport()->width() - 8)}; // the view leaves 4 px each side
}

// CPU seconds to count every row of `text` from scratch, as a view opening it does.
double countingCpu(const QString &text, const ViewLook &look)
{
    double best = 1e100;
    for (int run = 0; run < 2; ++run) {
        TextStore store(text);
        ViewLayout view(store);
        view.setFont(look.font);
        view.setLineWidth(look.width);
        const double start = threadCpu();
        view.reset(store);
        view.finishCounting();
        best = std::min(best, threadCpu() - start);
    }
    return best;
}

double megabytes(const QString &text)
{
    return double(text.toUtf8().size()) / double(1 << 20);
}

// A shown window holding `text`, its caret at `caret`, painted once.
struct Window
{
    std::unique_ptr<frmNotepad> window = std::make_unique<frmNotepad>();
    bench::PaintProbe probe;
    bool missed = false;

    explicit Window(const QString &text, qint64 caret = -1)
    {
        window->show();
        txt()->viewport()->installEventFilter(&probe);
        QCoreApplication::processEvents();
        txt()->setText(text);
        txt()->setCaret(caret < 0 ? text.size() : caret);
        txt()->setFocus();
        waitForPaint();
    }
    TextBox *txt() const { return window->components().txt; }
    void waitForPaint() { missed = !probe.waitForFrame(kMostSpins) || missed; }

    // CPU from a key sent until the frame that shows it.
    double keyCpu(int i)
    {
        const double start = threadCpu();
        const bool blank = i % 6 == 5;
        const QString text = blank ? QStringLiteral(" ") : QString(QChar(u'a' + i % 26));
        const Qt::Key key = blank ? Qt::Key_Space : Qt::Key(Qt::Key_A + i % 26);
        txt()->viewport()->update();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(txt(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(txt(), &release);
        waitForPaint();
        return threadCpu() - start;
    }

    void finish()
    {
        txt()->rowCount();
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
    }
};

std::pair<double, double> typingCpu(Window &large, Window &small)
{
    double bestLarge = 1e100, bestSmall = 1e100;
    for (int round = 0; round < kRounds; ++round) {
        double l = 0, s = 0;
        for (int i = 0; i < kKeys; ++i)
            l += large.keyCpu(i);
        for (int i = 0; i < kKeys; ++i)
            s += small.keyCpu(i);
        bestLarge = std::min(bestLarge, l);
        bestSmall = std::min(bestSmall, s);
    }
    if (large.missed || small.missed)
        std::printf("  a key's frame was never painted\n");
    return {bestLarge, bestSmall};
}

void countingSuite(const ViewLook &look)
{
    const QString latin = corpusText(Corpus::LatinLines, kCountedBytes, kSeed);
    const double latinCpu = countingCpu(latin, look) / megabytes(latin);
    std::printf("  %s: %.1f ms of CPU a MB (%.0f MB/s)\n", corpusName(Corpus::LatinLines),
                latinCpu * 1e3, 1 / latinCpu);
    const QByteArray only = qgetenv("WIMBLET_SCRIPT_ROWS_ONLY"); // one corpus, for profiling
    for (Corpus corpus : kScripts) {
        if (!only.isEmpty() && !QByteArray(corpusName(corpus)).startsWith(only))
            continue;
        const QString text = corpusText(corpus, kCountedBytes, kSeed);
        const SegmentStats before = segmentStats();
        const double cpu = countingCpu(text, look) / megabytes(text);
        const SegmentStats after = segmentStats();
        const double hits = double(after.hits - before.hits);
        const double misses = double(after.misses - before.misses);
        std::printf("  %s: %.0f MB/s; segment cache: %.2f %% of %.0f lookups hit, %.0f shaped in %.0f "
                    "layouts; %.0f rows left to the shaper\n",
                    corpusName(corpus), 1 / cpu, 100 * hits / std::max(1.0, hits + misses), hits + misses,
                    double(after.measured - before.measured), double(after.layouts - before.layouts),
                    double(after.shapedRows - before.shapedRows));
        const QByteArray what = QByteArray("CPU to count a MB: ") + corpusName(corpus) + " / Latin lines";
        bench::reportRatio(what.constData(), cpu, latinCpu, 3);
    }
}

// The slowest key while the rows of `text` are counted in idle time, key to frame.
double slowestKeyWhileCounting(const QString &text, int *typed)
{
    Window w(text, 0);
    double slowest = 0;
    *typed = 0;
    for (; *typed < 40 && !w.txt()->rowsExact(); ++*typed) {
        QElapsedTimer idle; // counting goes on meanwhile
        idle.start();
        while (idle.elapsed() < 25)
            QCoreApplication::processEvents();
        slowest = std::max(slowest, w.keyCpu(*typed));
    }
    return slowest;
}

void keysWhileCountingSuite()
{
    for (Corpus corpus : {Corpus::LatinLines, Corpus::CjkLines, Corpus::CjkParagraphs, Corpus::TamilLines,
                          Corpus::ArabicLines, Corpus::EmojiLatin}) {
        int typed = 0;
        const double slowest = slowestKeyWhileCounting(corpusText(corpus, kCountedBytes, kSeed), &typed);
        const QByteArray what = QByteArray("slowest key while 10 MB is counted: ") + corpusName(corpus);
        std::printf("  %d keys typed while counting\n", typed);
        bench::reportAtMost(what.constData(), slowest * 1e3, 50, "ms CPU");
    }
}

QString oneLine(Corpus corpus, qsizetype bytes)
{
    QString text = corpusText(corpus, bytes, kSeed);
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    return text;
}

void longLineSuite()
{
    const QString small = corpusText(Corpus::LatinLines, 1024, kSeed);
    std::printf("  %d keys per round, best of %d rounds\n", kKeys, kRounds);
    for (Corpus corpus : {Corpus::CjkLines, Corpus::TamilLines, Corpus::ArabicLines}) {
        Window large(oneLine(corpus, qsizetype(5) << 20));
        Window little(small);
        large.finish();
        little.finish();
        const auto [l, s] = typingCpu(large, little);
        const QByteArray what = QByteArray("key CPU: end of a 5 MB line, ") + corpusName(corpus) + " / 1 KB";
        bench::reportRatio(what.constData(), l, s, 2);
    }
}

// CPU from setting the text in a shown window until it is painted and its rows exact.
double openCpu(const QString &text)
{
    frmNotepad window;
    window.show();
    QCoreApplication::processEvents();
    bench::PaintProbe probe;
    TextBox *txt = window.components().txt;
    txt->viewport()->installEventFilter(&probe);
    const double start = threadCpu();
    txt->setText(text);
    for (int spin = 0; (!probe.painted || !txt->rowsExact()) && spin < kMostSpins; ++spin)
        QCoreApplication::processEvents();
    return threadCpu() - start;
}

void pathologicalSuite()
{
    const QString latin = oneLine(Corpus::LatinLines, qsizetype(5) << 20);
    QString flags;
    for (int i = 0; i < 500'000; ++i)
        flags += i % 2 ? u"🇮🇩"_qs : u"🇯🇵"_qs;
    const struct
    {
        const char *name;
        QString text;
    } lines[] = {
        {"1 M U+200B", QString(1'000'000, QChar(0x200B))},
        {"500 K flags", flags},
        {"a letter and 1 M marks", u"a"_qs + QString(1'000'000, QChar(0x0301))},
        {"an emoji, 1 M ZWJ, an emoji", u"😀"_qs + QString(1'000'000, QChar(0x200D)) + u"😀"_qs},
    };
    const double latinOpen = std::min(openCpu(latin), openCpu(latin));
    for (const auto &line : lines) {
        const double open = std::min(openCpu(line.text), openCpu(line.text));
        bench::reportRatio((QByteArray("CPU to open: ") + line.name + " / 5 MB of Latin").constData(), open,
                           latinOpen, 2);
        Window w(line.text);
        w.finish();
        double slowest = 0;
        for (int i = 0; i < 20; ++i)
            slowest = std::max(slowest, w.keyCpu(i));
        bench::reportAtMost((QByteArray("slowest key at the end: ") + line.name).constData(), slowest * 1e3,
                            50, "ms CPU");
    }
}

} // namespace

// Suites of their own, so that one can be run alone: `wimblet-bench script_rows_count`.
WIMBLET_BENCH(script_rows_count)
{
    bench::ensureApplication();
    const ViewLook look = windowLook();
    std::printf("  font %s %.2f pt, rows %.0f px wide\n", qPrintable(look.font.family()),
                look.font.pointSizeF(), look.width);
    countingSuite(look);
}

WIMBLET_BENCH(script_rows_keys_while_counting)
{
    bench::ensureApplication();
    keysWhileCountingSuite();
}

WIMBLET_BENCH(script_rows_long_lines)
{
    bench::ensureApplication();
    longLineSuite();
}

WIMBLET_BENCH(script_rows_pathological)
{
    bench::ensureApplication();
    pathologicalSuite();
    std::fflush(stdout);
}
