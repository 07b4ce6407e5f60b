// Typing as the user sees it: a key sent to the window's text box until its viewport
// has painted the frame that shows it, in long lines and a long document against short
// ones; and opening a 50 MB file through the window's Open command against reading
// and decoding it alone.
#include "harness.h"
#include "paintprobe.h"

#include "app/frmNotepad.h"
#include "support/scripteddialogs.h"

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

using namespace wimblet;

namespace {

constexpr int kKeys = 500;
constexpr int kRounds = 5;
// Rounds of event processing after which a frame that never came counts as missing.
constexpr int kMostSpins = 100000;


// The sample as one paragraph of at least `bytes` characters: its line breaks made blanks.
QString singleLine(qsizetype bytes)
{
    QString text = QString::fromUtf8(bench::sampleOfSize(bytes));
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    return text;
}

// A shown window holding `text`, its caret at `caret`, painted once.
struct TypingWindow
{
    std::unique_ptr<frmNotepad> window = std::make_unique<frmNotepad>();
    bench::PaintProbe probe;
    bool missed = false;

    TypingWindow(const QString &text, qint64 caret)
    {
        window->show();
        TextBox *txt = window->components().txt;
        txt->viewport()->installEventFilter(&probe);
        txt->setText(text);
        txt->setCaret(caret);
        txt->setFocus();
        waitForPaint();
    }

    void waitForPaint() { missed = !probe.waitForFrame(kMostSpins) || missed; }

    // One key pressed and released, then the frame that shows it.
    void typeKey(Qt::Key key, const QString &text)
    {
        TextBox *txt = window->components().txt;
        txt->viewport()->update(); // a frame is due even if the key changed nothing shown
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(txt, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(txt, &release);
        waitForPaint();
    }

    // kKeys keys: words of five letters and a blank, so the line keeps wrapping at blanks.
    double typeKeys()
    {
        return bench::bestOf(1, [&] {
            for (int i = 0; i < kKeys; ++i) {
                if (i % 6 == 5)
                    typeKey(Qt::Key_Space, QStringLiteral(" "));
                else
                    typeKey(Qt::Key(Qt::Key_A + i % 26), QString(QChar(u'a' + i % 26)));
            }
        });
    }
};

// The best time of kKeys keys in each window, typed into in turn so that both see the
// same load on the machine.
std::pair<double, double> typingCost(TypingWindow &a, TypingWindow &b)
{
    double bestA = 1e100, bestB = 1e100;
    for (int round = 0; round < kRounds; ++round) {
        bestA = std::min(bestA, a.typeKeys());
        bestB = std::min(bestB, b.typeKeys());
    }
    if (a.missed || b.missed)
        std::printf("  a key's frame was never painted\n");
    return {bestA, bestB};
}

// The middle of a text, at the end of a line.
qint64 middleLineEnd(const QString &text)
{
    const qsizetype at = text.indexOf(QLatin1String("\r\n"), text.size() / 2);
    return at < 0 ? text.size() : at;
}

void typingSuites()
{
    const QString longLine = singleLine(qsizetype(5) << 20);
    const QString shortLine = singleLine(50 << 10);
    const QString smallDocument = QString::fromUtf8(bench::sampleOfSize(1024));
    std::printf("  %d keys per round, best of %d rounds\n", kKeys, kRounds);
    {
        TypingWindow large(longLine, longLine.size());
        TypingWindow small(shortLine, shortLine.size());
        const auto [l, s] = typingCost(large, small);
        bench::reportRatio("key to frame: end of a 5 MB line / of a 50 KB line", l, s, 1.5);
    }
    {
        TypingWindow large(longLine, longLine.size());
        TypingWindow small(smallDocument, smallDocument.size());
        const auto [l, s] = typingCost(large, small);
        bench::reportRatio("key to frame: end of a 5 MB line / 1 KB document", l, s, 2);
    }
    {
        const QString document = QString::fromUtf8(bench::sampleOfSize(qsizetype(50) << 20));
        TypingWindow large(document, middleLineEnd(document));
        TypingWindow small(smallDocument, middleLineEnd(smallDocument));
        const auto [l, s] = typingCost(large, small);
        bench::reportRatio("key to frame: middle of a 50 MB document / 1 KB document", l, s, 2);
    }
}

// Open in the window: the dialog answered at once, then until the text is painted and
// every row counted.
double openThroughTheWindow(const QString &path)
{
    return bench::bestOf(3, [&] {
        testsupport::ScriptedMessageBox boxes;
        testsupport::ScriptedFileDialog files;
        files.answers = {path};
        frmNotepad window(NotepadServices {&boxes, &files, {}});
        window.show();
        QCoreApplication::processEvents();
        bench::PaintProbe probe;
        window.components().txt->viewport()->installEventFilter(&probe);
        window.mnuOpen_Click();
        // Ready once painted and its line figures are exact, counted in idle time.
        TextBox *txt = window.components().txt;
        for (int spin = 0; (!probe.painted || !txt->rowsExact()) && spin < kMostSpins; ++spin)
            QCoreApplication::processEvents();
        if (!txt->rowsExact())
            std::printf("  the rows were never all counted\n");
    });
}

double readAndDecode(const QString &path)
{
    return bench::bestOf(3, [&] {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return;
        const QString text = QString::fromUtf8(file.readAll());
        if (text.isEmpty())
            std::printf("  nothing read\n");
    });
}

void openSuite()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("open.txt"));
    QFile file(path);
    const QByteArray bytes = bench::sampleOfSize(qsizetype(50) << 20);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) < bytes.size()) {
        std::printf("  cannot write %s\n", qPrintable(path));
        return;
    }
    file.close();
    const double plain = readAndDecode(path);
    const double window = openThroughTheWindow(path);
    bench::reportRatio("open 50 MB through the window / readAll + fromUtf8", window, plain, 3);
}

} // namespace

WIMBLET_BENCH(key_to_frame)
{
    bench::ensureApplication();
    typingSuites();
    openSuite();
    std::fflush(stdout);
}
