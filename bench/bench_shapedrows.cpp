// Rows laid out once and kept, as the user meets them in the window: a key at the end
// of a 5 MB paragraph of mixed scripts and a resize at the top of a 20 M-character
// paragraph, each against a 1 KB document; no row laid out and next to no CPU while the
// caret blinks; and the CPU to the first frame and the peak memory with a document
// open, against the same window around the old QPlainTextEdit-based box.
#include "harness.h"
#include "paintprobe.h"

#include "app/frmNotepad.h"
#include "support/mixedscripts.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <iterator>
#include <memory>
#include <vector>

extern char **environ;

using namespace wimblet;

namespace {

constexpr quint32 kSeed = 20260311u;
constexpr int kKeys = 500;
constexpr int kTypingRounds = 5;
// A resize that had to wrap the whole 20 M-character paragraph would take a quarter of a
// second: twenty a round keep the suite short whatever a resize costs.
constexpr int kResizes = 20;
constexpr int kResizeRounds = 5;
// Rounds of event processing after which a frame that never came counts as missing.
constexpr int kMostSpins = 100000;
// Each child process is started this often, the best run kept. A start takes some
// 40 ms of CPU, which a shared machine's load moves by a tenth: more runs steady it.
constexpr int kStartRuns = 7;
constexpr int kMemoryRuns = 2;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}


// The sample prose as one paragraph of exactly `chars` units, without CR LF.
QString proseParagraph(qsizetype chars)
{
    QString text = QString::fromUtf8(bench::sampleOfSize(chars + chars / 8));
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.truncate(chars);
    return text;
}

// A shown main window holding `text`, its caret at `caret`, painted and idle, every
// row counted: nothing left over runs while another window is measured.
struct ShownWindow
{
    std::unique_ptr<frmNotepad> window = std::make_unique<frmNotepad>();
    bench::PaintProbe probe;
    bool missed = false;

    ShownWindow(const QString &text, qint64 caret)
    {
        window->show();
        txt()->viewport()->installEventFilter(&probe);
        txt()->setText(text);
        txt()->setCaret(caret);
        txt()->setFocus();
        waitForPaint();
        settle();
    }

    TextBox *txt() const { return window->components().txt; }

    void waitForPaint() { missed = !probe.waitForFrame(kMostSpins) || missed; }

    void settle()
    {
        txt()->rowCount(); // counts what idle time has not
        QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
        QElapsedTimer spent;
        spent.start();
        for (int quiet = 0; quiet < 50 && !spent.hasExpired(20000);)
            quiet = dispatcher->processEvents(QEventLoop::AllEvents) ? 0 : quiet + 1;
        probe.painted = false;
    }

    // One key pressed and released, then the frame that shows it.
    void typeKey(Qt::Key key, const QString &text)
    {
        txt()->viewport()->update(); // a frame is due even if the key changed nothing shown
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(txt(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(txt(), &release);
        waitForPaint();
    }

    // kKeys keys as key_to_frame types them: words of five letters and a blank.
    double typeKeys()
    {
        const auto start = Clock::now();
        for (int i = 0; i < kKeys; ++i) {
            if (i % 6 == 5)
                typeKey(Qt::Key_Space, QStringLiteral(" "));
            else
                typeKey(Qt::Key(Qt::Key_A + i % 26), QString(QChar(u'a' + i % 26)));
        }
        return secondsSince(start);
    }

    // The window resized, until the first frame painted at the text box's new width.
    double resizeTo(QSize size)
    {
        const int before = txt()->viewport()->width();
        probe.painted = false;
        const auto start = Clock::now();
        window->resize(size);
        int spin = 0;
        for (; !(probe.painted && probe.width != before) && spin < kMostSpins; ++spin)
            QCoreApplication::processEvents();
        const double took = secondsSince(start);
        missed = missed || spin == kMostSpins;
        probe.painted = false;
        return took;
    }

    // kResizes resizes between the window's width and 40 px less, each to its frame.
    double resizeRound()
    {
        const QSize wide = window->size();
        const QSize narrow = wide - QSize(40, 0);
        double spent = 0;
        for (int i = 0; i < kResizes; ++i)
            spent += resizeTo(i % 2 == 0 ? narrow : wide);
        if (window->size() != wide)
            spent += resizeTo(wide); // the next round starts where this one did
        return spent;
    }
};

// The best round of each window, taken in turn so that both see the same load; each
// left idle before the other's round.
std::pair<double, double> bestRounds(ShownWindow &large, ShownWindow &small,
                                     double (ShownWindow::*round)(), int rounds)
{
    double bestLarge = 1e100, bestSmall = 1e100;
    for (int i = 0; i < rounds; ++i) {
        bestLarge = std::min(bestLarge, (large.*round)());
        large.settle();
        bestSmall = std::min(bestSmall, (small.*round)());
        small.settle();
    }
    if (large.missed || small.missed)
        std::printf("  a frame was never painted\n");
    return {bestLarge, bestSmall};
}

} // namespace

WIMBLET_BENCH(shaped_typing)
{
    bench::ensureApplication();
    const QString mixed = testsupport::mostlyLatinParagraph(5'000'000, kSeed);
    const QString document = QString::fromUtf8(bench::sampleOfSize(1024));
    ShownWindow large(mixed, mixed.size());
    ShownWindow small(document, document.size());
    const qint64 layoutsBefore = large.txt()->layoutsMade();
    const auto [l, s] = bestRounds(large, small, &ShownWindow::typeKeys, kTypingRounds);
    std::printf("  %d keys per round, best of %d rounds; %.1f rows laid out a key at the 5 MB end\n",
                kKeys, kTypingRounds,
                double(large.txt()->layoutsMade() - layoutsBefore) / (kKeys * kTypingRounds));
    bench::reportRatio("key to frame: end of a 5 MB mixed-script paragraph / 1 KB", l, s, 2);
    std::printf("  1 KB document: %.1f us a key to its frame (%.3f s for %d keys, as key_to_frame "
                "prints)\n",
                s / kKeys * 1e6, s, kKeys);
}

// Keys typed, each as the event queue delivers it, while the rows of a 200 MB document
// are still counted in idle time: the slowest key to its frame.
WIMBLET_BENCH(shaped_counting_keys)
{
    bench::ensureApplication();
    const QString text = QString::fromUtf8(bench::sampleOfSize(qsizetype(200) << 20));
    frmNotepad window;
    window.show();
    TextBox *txt = window.components().txt;
    bench::PaintProbe probe;
    txt->viewport()->installEventFilter(&probe);
    txt->setText(text);
    txt->setFocus();
    probe.waitForFrame(kMostSpins);
    double slowest = 0;
    int typed = 0;
    for (; typed < 60 && !txt->rowsExact(); ++typed) {
        QElapsedTimer idle; // counting goes on meanwhile
        idle.start();
        while (idle.elapsed() < 25)
            QCoreApplication::processEvents();
        const auto start = Clock::now();
        const QString a = QStringLiteral("a");
        QCoreApplication::postEvent(txt, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, a));
        QCoreApplication::postEvent(txt, new QKeyEvent(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, a));
        probe.painted = false;
        probe.waitForFrame(kMostSpins);
        slowest = std::max(slowest, secondsSince(start));
    }
    std::printf("  %d keys typed while the rows of 200 MB were counted%s\n", typed,
                txt->rowsExact() ? "" : " (counting went on past them)");
    bench::reportAtMost("slowest key to frame while 200 MB is counted", slowest * 1e3, 50, "ms");
}

WIMBLET_BENCH(shaped_resize)
{
    bench::ensureApplication();
    const QString paragraph = proseParagraph(20'000'000);
    if (paragraph.size() != 20'000'000)
        std::printf("  the paragraph has %lld characters\n", static_cast<long long>(paragraph.size()));
    const QString document = QString::fromUtf8(bench::sampleOfSize(1024));
    ShownWindow large(paragraph, 0);
    ShownWindow small(document, 0);
    const auto [l, s] = bestRounds(large, small, &ShownWindow::resizeRound, kResizeRounds);
    if (large.txt()->topRow() != 0)
        std::printf("  the 20 M-character paragraph was not shown from its top\n");
    std::printf("  %d resizes by 40 px per round, best of %d rounds; %.0f / %.0f us a resize\n",
                kResizes, kResizeRounds, l / kResizes * 1e6, s / kResizes * 1e6);
    bench::reportRatio("resize to frame: top of a 20 M-character paragraph / 1 KB", l, s, 2);
}

namespace {

double cpuSeconds(const rusage &usage)
{
    const auto seconds = [](const timeval &t) {
        return double(t.tv_sec) + t.tv_usec / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double ownCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return cpuSeconds(usage);
}

} // namespace

WIMBLET_BENCH(shaped_blink)
{
    bench::ensureApplication();
    const int flashTime = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(100); // a blink every 50 ms: 200 in the 10 s
    {
        ShownWindow w(QString::fromUtf8(bench::sampleOfSize(4096)), 0);
        w.window->activateWindow();
        w.txt()->setFocus();
        w.txt()->setCaret(w.txt()->length() / 8); // restarts the blink at the new pace
        w.settle();
        if (!w.txt()->hasFocus())
            std::printf("  the text box has no focus: its caret does not blink\n");
        const qint64 layoutsBefore = w.txt()->layoutsMade();
        std::printf("  %lld rows laid out to show the text and its caret first\n",
                    static_cast<long long>(layoutsBefore));
        const int framesBefore = w.probe.frames;
        const double cpuBefore = ownCpuSeconds();
        const auto start = Clock::now();
        QEventLoop loop;
        // A coarse timer may end the wait up to a twentieth early.
        QTimer::singleShot(10000, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
        const double wall = secondsSince(start);
        const double percent = 100 * (ownCpuSeconds() - cpuBefore) / wall;
        std::printf("  %d frames painted in %.2f s of blinking (a blink every 50 ms)\n",
                    w.probe.frames - framesBefore, wall);
        bench::reportAtMost("rows laid out while the caret blinks 10 s, 4 KB text",
                            double(w.txt()->layoutsMade() - layoutsBefore), 0, "layouts");
        bench::reportAtMost("CPU of the window while its caret blinks, over 10 s", percent, 1.0, "%");
    }
    QApplication::setCursorFlashTime(flashTime);
}

namespace {

const char *const kKinds[] = {"program", "plain", "view"};

// The CPU time (user and system) of the window probe started as `mode kind`, from its
// launch to its exit; a negative figure when it failed.
double probeCpu(const char *mode, const char *kind)
{
    char probePath[] = WIMBLET_WINDOWPROBE;
    char *argv[] = {probePath, const_cast<char *>(mode), const_cast<char *>(kind), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, probePath, nullptr, nullptr, argv, environ) != 0)
        return -1;
    int status = 0;
    rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return cpuSeconds(usage);
}

// The peak resident memory of the window probe with `path` open, in MiB; 0 when it failed.
double probePeak(const char *kind, const QString &path)
{
    QProcess probe;
    probe.start(QStringLiteral(WIMBLET_WINDOWPROBE),
                {QStringLiteral("memory"), QString::fromLatin1(kind), path});
    probe.waitForFinished(-1);
    if (probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
        return 0;
    return probe.readAllStandardOutput().trimmed().toDouble() / 1024.0;
}

// The best of `runs` runs of each kind, the kinds taken in turn.
std::vector<double> bestOfKinds(int runs, const std::function<double(const char *)> &run)
{
    std::vector<double> best(std::size(kKinds), 1e100);
    for (int i = 0; i < runs; ++i) {
        for (size_t k = 0; k < best.size(); ++k) {
            const double figure = run(kKinds[k]);
            if (figure <= 0)
                std::printf("  the window probe failed as %s\n", kKinds[k]);
            else
                best[k] = std::min(best[k], figure);
        }
    }
    return best;
}

void describeRebuiltWindow(int runs)
{
    std::printf("  PlainTextBox: the old box in the main window's own design (menus, toolbar,\n"
                "  status bar, sizes, layout, font) rebuilt around it, as the window cannot take\n"
                "  it; rebuilt view: the same around the program's text box; best of %d runs\n",
                runs);
}

} // namespace

WIMBLET_BENCH(shaped_startup)
{
    bench::ensureApplication(); // the probes inherit its platform
    describeRebuiltWindow(kStartRuns);
    const std::vector<double> cpu
        = bestOfKinds(kStartRuns, [](const char *kind) { return probeCpu("start", kind); });
    bench::reportRatio("CPU, launch to first frame: program / PlainTextBox", cpu[0], cpu[1], 1.0);
    bench::reportRatioOnly("CPU, launch to first frame: rebuilt view / PlainTextBox", cpu[2], cpu[1]);
}

WIMBLET_BENCH(shaped_memory)
{
    bench::ensureApplication();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("1MB.txt"));
    QFile file(path);
    const QByteArray bytes = bench::sampleOfSize(qsizetype(1) << 20);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::printf("  cannot write %s\n", qPrintable(path));
        return;
    }
    file.close();
    describeRebuiltWindow(kMemoryRuns);
    const std::vector<double> peak
        = bestOfKinds(kMemoryRuns, [&](const char *kind) { return probePeak(kind, path); });
    bench::reportRatioIn("peak memory, 1 MB open and painted: program / PlainTextBox", peak[0], peak[1],
                         1.0, "MiB");
    std::printf("  %-58s %8.1f MiB / %8.1f MiB = %6.2f  (for comparison)\n",
                "peak memory, 1 MB: rebuilt view / PlainTextBox", peak[2], peak[1], peak[2] / peak[1]);
}
