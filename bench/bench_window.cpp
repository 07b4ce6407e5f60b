// The editor window as the user drives it, each figure against the same work done
// without the window: Save of 200 MB against cp and fsync, Cute Style from the menu
// against the conversion alone, moving and resizing at the end of 50 MB against a
// 1 KB document, the peak memory of open, a key and the Exit prompt, and the CPU an
// idle window with a long line takes while its caret blinks.
#include "harness.h"
#include "paintprobe.h"

#include "app/frmNotepad.h"
#include "convert/styleconversion.h"
#include "support/scripteddialogs.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>

using namespace wimblet;

namespace {

constexpr qsizetype kMiB = qsizetype(1) << 20;
// Rounds of event processing after which a frame that never came counts as missing.
constexpr int kMostSpins = 100000;
constexpr int kPresses = 200;
constexpr int kResizes = 100; // each a shrink and a grow
constexpr int kRounds = 5;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double timeOf(const std::function<void()> &work)
{
    const auto start = Clock::now();
    work();
    return secondsSince(start);
}


// Runs what is due until the event loop has had nothing to do for a while. The view
// counts rows on a zero timer while idle; a figure taken meanwhile would include that.
void waitUntilIdle(TextBox *txt)
{
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    QElapsedTimer spent;
    spent.start();
    for (int quiet = 0; quiet < 50 && !spent.hasExpired(120000);)
        quiet = dispatcher->processEvents(QEventLoop::AllEvents) ? 0 : quiet + 1;
    // Should the loop have stopped short, the rest is counted here, so rows are exact.
    const double rest = timeOf([txt] { txt->rowCount(); });
    if (rest > 0.001)
        std::printf("  the rows were still being counted when the loop went quiet (%.3f s)\n", rest);
}

// A shown window with scripted dialogs: no prompt ever blocks, and a prompt that is
// not expected answers Cancel.
struct BenchWindow
{
    testsupport::ScriptedMessageBox boxes;
    testsupport::ScriptedFileDialog files;
    bench::PaintProbe probe;
    std::unique_ptr<frmNotepad> window;
    bool missed = false;

    BenchWindow()
        : window(std::make_unique<frmNotepad>(NotepadServices {&boxes, &files, {}}))
    {
        window->show();
        txt()->viewport()->installEventFilter(&probe);
        txt()->setFocus();
        QCoreApplication::processEvents();
    }

    TextBox *txt() const { return window->components().txt; }

    // As choosing the menu item does.
    void choose(const char *item) { window->menuActions().value(QLatin1String(item))->trigger(); }

    void waitForPaint() { missed = !probe.waitForFrame(kMostSpins) || missed; }

    // Nothing left to do, the rows counted.
    void settle()
    {
        waitUntilIdle(txt());
        probe.painted = false;
    }

    // One key pressed and released, then the frame that shows it.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
               const QString &text = QString())
    {
        txt()->viewport()->update(); // a frame is due even if the key changed nothing shown
        QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
        QCoreApplication::sendEvent(txt(), &down);
        QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
        QCoreApplication::sendEvent(txt(), &up);
        waitForPaint();
    }

    // The window resized, then the first frame painted at the text box's new width.
    void resizeTo(QSize size)
    {
        const int before = txt()->viewport()->width();
        probe.painted = false;
        window->resize(size);
        int spin = 0;
        for (; !(probe.painted && probe.width != before) && spin < kMostSpins; ++spin)
            QCoreApplication::processEvents();
        missed = missed || spin == kMostSpins;
        probe.painted = false;
    }
};

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// cp and fsync: the floor for writing the same bytes to a new file of the same disk.
bool copyAndSync(const QString &from, const QString &to)
{
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY);
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QByteArray chunk(kMiB, Qt::Uninitialized);
    bool ok = in >= 0 && out >= 0;
    for (ssize_t got = 1; ok && got > 0;) {
        got = ::read(in, chunk.data(), size_t(chunk.size()));
        ok = got >= 0 && (got == 0 || ::write(out, chunk.constData(), size_t(got)) == got);
    }
    ok = ok && ::fsync(out) == 0;
    if (in >= 0)
        ::close(in);
    if (out >= 0)
        ok = ::close(out) == 0 && ok;
    return ok;
}

// Save from the menu with the file named and one key typed, so that it really writes.
void saveFigure(const QTemporaryDir &dir, const QString &path)
{
    BenchWindow w;
    w.files.answers = {path};
    w.choose("mnuOpen");
    w.waitForPaint();
    w.settle();
    const qint64 opened = QFileInfo(path).size();
    const QString copy = dir.filePath(QStringLiteral("copy.txt"));
    double save = 1e100, cp = 1e100;
    constexpr int rounds = 3;
    for (int round = 0; round < rounds; ++round) {
        w.press(Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        save = std::min(save, timeOf([&] { w.choose("mnuSave"); }));
        cp = std::min(cp, timeOf([&] {
                          if (!copyAndSync(path, copy))
                              std::printf("  cannot copy %s\n", qPrintable(path));
                      }));
        QFile::remove(copy);
    }
    if (QFileInfo(path).size() != opened + rounds || w.boxes.errorCount() > 0
        || w.files.shown.size() != 1)
        std::printf("  Save did not write each typed key, or asked or failed\n");
    std::printf("  Save and cp of 200 MB: best of %d\n", rounds);
    bench::reportRatio("Save 200 MB from the menu / cp + fsync", save, cp, 2);
}

// Cute Style from the menu until the converted text is painted, against the
// conversion alone; the text is set back before each round, which toggles otherwise.
void cuteStyleFigure()
{
    const QString text = QString::fromUtf8(bench::sampleOfSize(10 * kMiB));
    BenchWindow w;
    QString converted;
    double inWindow = 1e100, alone = 1e100;
    for (int round = 0; round < kRounds; ++round) {
        w.txt()->setText(text);
        w.waitForPaint();
        w.settle();
        inWindow = std::min(inWindow, timeOf([&] {
                                w.choose("cgirly");
                                w.waitForPaint();
                            }));
        // The conversion alone takes a tenth as long: more runs of it steady its figure.
        alone = std::min(alone, bench::bestOf(3, [&] { converted = toCuteStyle(text); }));
    }
    if (w.missed || w.txt()->Text() != converted)
        std::printf("  the window's Cute Style was not painted or differs from toCuteStyle()\n");
    std::printf("  Cute Style of 10 MB: best of %d\n", kRounds);
    bench::reportRatio("Cute Style 10 MB from the menu, painted / toCuteStyle()", inWindow, alone, 1.5);
}

// kPresses PageDowns, each from a page up, so that the caret stays near the end.
double pageDownRound(BenchWindow &w)
{
    double spent = 0;
    for (int i = 0; i < kPresses; ++i) {
        w.press(Qt::Key_PageUp);
        spent += timeOf([&] { w.press(Qt::Key_PageDown); });
    }
    return spent;
}

// kPresses Ctrl+Ends, each from a few rows above the end.
double ctrlEndRound(BenchWindow &w)
{
    double spent = 0;
    for (int i = 0; i < kPresses; ++i) {
        for (int up = 0; up < 3; ++up)
            w.press(Qt::Key_Up);
        spent += timeOf([&] { w.press(Qt::Key_End, Qt::ControlModifier); });
    }
    return spent;
}

// kResizes times 40 px narrower and back. Rows left to count after one resize are
// counted, as they would be, while the next one waits for its frame.
double resizeRound(BenchWindow &w)
{
    const QSize size = w.window->size();
    return timeOf([&] {
        for (int i = 0; i < kResizes; ++i) {
            w.resizeTo(size - QSize(40, 0));
            w.resizeTo(size);
        }
    });
}

// The best round of each window, taken in turn so that both see the same load.
void compareRounds(const char *what, double (*round)(BenchWindow &), BenchWindow &large,
                   BenchWindow &small)
{
    double bestLarge = 1e100, bestSmall = 1e100;
    for (int i = 0; i < kRounds; ++i) {
        bestLarge = std::min(bestLarge, round(large));
        large.settle();
        bestSmall = std::min(bestSmall, round(small));
        small.settle();
    }
    if (large.missed || small.missed)
        std::printf("  a frame was never painted\n");
    bench::reportRatio(what, bestLarge, bestSmall, 2);
}

void movesAtTheEnd()
{
    BenchWindow large, small;
    for (auto [w, bytes] : {std::pair(&large, 50 * kMiB), std::pair(&small, qsizetype(1024))}) {
        w->txt()->setText(QString::fromUtf8(bench::sampleOfSize(bytes)));
        w->txt()->setCaret(w->txt()->length());
        w->waitForPaint();
        w->settle();
    }
    std::printf("  %d presses or %d resizes and back per round, best of %d rounds\n", kPresses, kResizes,
                kRounds);
    compareRounds("PageDown at the end: 50 MB / 1 KB document", &pageDownRound, large, small);
    compareRounds("Ctrl+End at the end: 50 MB / 1 KB document", &ctrlEndRound, large, small);
    compareRounds("resize -40 px and back at the end: 50 MB / 1 KB", &resizeRound, large, small);
}

// The peak of a process of its own that opens `path`, types a key and chooses Exit,
// whose prompt is answered Cancel; in MiB, 0 when it failed.
double peakOfOpenKeyExit(const QString &path)
{
    QProcess probe;
    probe.start(QStringLiteral(WIMBLET_MEMPROBE), {QStringLiteral("--key-and-exit"), path});
    probe.waitForFinished(-1);
    if (probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0) {
        std::printf("  the memory probe failed on %s\n", qPrintable(QFileInfo(path).fileName()));
        return 0;
    }
    return probe.readAllStandardOutput().trimmed().toDouble() / 1024.0;
}

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) {
        return double(t.tv_sec) + t.tv_usec / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The share of one core the window takes over 10 s of doing nothing but blink.
void idleFigure()
{
    QString line = QString::fromUtf8(bench::sampleOfSize(5 * kMiB));
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    BenchWindow w;
    w.window->activateWindow();
    w.txt()->setFocus();
    w.txt()->setText(line);
    w.waitForPaint();
    w.settle();
    if (!w.txt()->hasFocus())
        std::printf("  the text box has no focus: its caret does not blink\n");
    const int framesBefore = w.probe.frames;
    const double cpuBefore = cpuSeconds();
    const auto start = Clock::now();
    QEventLoop loop;
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    const double percent = 100 * (cpuSeconds() - cpuBefore) / secondsSince(start);
    std::printf("  %d frames painted while idle\n", w.probe.frames - framesBefore);
    bench::reportAtMost("CPU of the idle window, 5 MB line, over 10 s", percent, 1.0, "%");
}

} // namespace

WIMBLET_BENCH(window_targets)
{
    bench::ensureApplication();
    QTemporaryDir dir;
    const QString middle = dir.filePath(QStringLiteral("50MB.txt"));
    const QString large = dir.filePath(QStringLiteral("200MB.txt"));
    if (!writeFile(middle, bench::sampleOfSize(50 * kMiB))
        || !writeFile(large, bench::sampleOfSize(200 * kMiB))) {
        std::printf("  cannot write the documents in %s\n", qPrintable(dir.path()));
        return;
    }
    saveFigure(dir, large);
    cuteStyleFigure();
    movesAtTheEnd();
    bench::reportAtMost("peak memory: open 50 MB, a key, Exit prompt", peakOfOpenKeyExit(middle), 200,
                        "MiB");
    bench::reportAtMost("peak memory: open 200 MB, a key, Exit prompt", peakOfOpenKeyExit(large), 700,
                        "MiB");
    QFile::remove(middle);
    QFile::remove(large);
    idleFigure();
    std::fflush(stdout);
}
