// The caret position status on a large document: a typed character costs what
// it costs in a small one, and the first exact count after loading the text or
// changing the width costs no more than putting the text into a bare
// QPlainTextEdit. The box's own count of every row is shown alongside.
#include "harness.h"

#include "app/frmNotepad.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include <cstdio>
#include <memory>

using namespace wimblet;

namespace {

constexpr qsizetype kLargeSize = qsizetype(10) << 20;
constexpr int kKeystrokes = 200;

// Whole lines of the sample, at least `bytes` long.
QString sampleLines(qsizetype bytes)
{
    QString text = QString::fromUtf8(bench::sampleOfSize(bytes));
    const qsizetype cut = text.indexOf(QLatin1String("\r\n"), bytes);
    if (cut > 0)
        text.truncate(cut);
    return text;
}

// Puts the caret at the end of a line in the middle of the text that reads
// `line`, so that both texts type into the same line.
void caretToMiddle(TextBox *txt, const QString &line)
{
    const QString text = txt->Text();
    const QString whole = QLatin1String("\r\n") + line + QLatin1String("\r\n");
    qsizetype at = text.indexOf(whole, text.size() / 2);
    if (at < 0)
        at = text.indexOf(whole);
    txt->setCaret(at < 0 ? 0 : at + 2 + line.size());
}

void typeKey(TextBox *txt, Qt::Key key, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(txt, &press); // the change, and its refresh
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(txt, &release); // the key release, and its refresh
}

// A window holding the text, the caret at the end of `line`.
std::unique_ptr<frmNotepad> windowWith(const QString &text, const QString &line)
{
    auto window = std::make_unique<frmNotepad>();
    window->show();
    QCoreApplication::processEvents();
    window->components().txt->setText(text);
    caretToMiddle(window->components().txt, line);
    typeKey(window->components().txt, Qt::Key_A, QStringLiteral("a"));
    QCoreApplication::processEvents();
    return window;
}

// Seconds for kKeystrokes typed keys, both refreshes of each included; a letter
// and a backspace in turn keep the line as it was.
double typeKeys(frmNotepad &window)
{
    return bench::bestOf(1, [&] {
        for (int i = 0; i < kKeystrokes / 2; ++i) {
            typeKey(window.components().txt, Qt::Key_A, QStringLiteral("a"));
            typeKey(window.components().txt, Qt::Key_Backspace, QStringLiteral("\b"));
        }
    });
}

struct Typing {
    double small = 1e100;
    double large = 1e100;
};

// Both texts are typed into in turn, so that both see the same load on the machine.
// Without the refresh, what is left is the box's own work for a key.
Typing typingCost(const QString &small, const QString &large, const QString &line,
                  bool refresh)
{
    const std::unique_ptr<frmNotepad> smallWindow = windowWith(small, line);
    const std::unique_ptr<frmNotepad> largeWindow = windowWith(large, line);
    for (frmNotepad *w : {smallWindow.get(), largeWindow.get()}) {
        if (refresh)
            continue;
        QObject::disconnect(w->components().txt, &TextBox::Change, w, nullptr);
        QObject::disconnect(w->components().txt, &TextBox::KeyUp, w, nullptr);
    }
    Typing cost;
    for (int round = 0; round < 9; ++round) {
        cost.small = std::min(cost.small, typeKeys(*smallWindow));
        cost.large = std::min(cost.large, typeKeys(*largeWindow));
    }
    return cost;
}

// Counting every row of the text in the window's own text box.
double fullLayout(const QString &text)
{
    frmNotepad window;
    window.show();
    QCoreApplication::processEvents();
    // Held back from the refresh, which would count them all before the clock starts.
    window.components().txt->blockSignals(true);
    window.components().txt->setText(text);
    window.components().txt->blockSignals(false);
    return bench::bestOf(1, [&] { window.components().txt->rowCount(); });
}

struct FirstRefresh {
    double afterLoad = 1e100;
    double afterResize = 1e100;
    int lines = 0;
};

// The first refresh after the text is set (its own refresh held back) and
// after the window is made narrower or wider again.
FirstRefresh firstRefreshCost(const QString &text)
{
    FirstRefresh cost;
    frmNotepad window;
    window.show();
    QCoreApplication::processEvents();
    for (int round = 0; round < 3; ++round) {
        window.components().txt->blockSignals(true);
        window.components().txt->setText(round % 2 ? text : text + QLatin1Char('.'));
        window.components().txt->blockSignals(false);
        cost.afterLoad = std::min(cost.afterLoad, bench::bestOf(1, [&] {
            window.RefreshCaretStatus();
        }));
        window.resize(round % 2 ? 681 : 420, window.height());
        QCoreApplication::processEvents();
        cost.afterResize = std::min(cost.afterResize, bench::bestOf(1, [&] {
            window.RefreshCaretStatus();
        }));
    }
    cost.lines = window.components().StatusBar1->Panels(4)->Text().section(u' ', 0, 0).toInt();
    return cost;
}

} // namespace

WIMBLET_BENCH(caret_status)
{
    bench::ensureApplication();
    const QString large = sampleLines(kLargeSize);
    const QString small = sampleLines(1024);
    std::printf("  large text: %lld characters, %lld lines; small text: %lld characters\n",
                qlonglong(large.size()), qlonglong(large.count(QLatin1String("\r\n")) + 1),
                qlonglong(small.size()));

    // A line of prose that both texts hold.
    const QString line = small.section(QLatin1String("\r\n"), 3, 3);
    const Typing typed = typingCost(small, large, line, true);
    bench::reportRatio("200 typed keys: 10 MB text / 1 KB text", typed.large, typed.small, 2);
    const Typing floor = typingCost(small, large, line, false);
    std::printf("  %-58s %8.2f\n", "for comparison: the same without the status refresh",
                floor.large / floor.small);

    const double bare = bench::bareSetPlainText(large);
    const FirstRefresh first = firstRefreshCost(large);
    std::printf("  displayed lines at the last width: %d\n", first.lines);
    bench::reportRatio("first refresh after loading / bare setPlainText", first.afterLoad, bare,
                       1);
    bench::reportRatio("first refresh after a resize / bare setPlainText", first.afterResize,
                       bare, 1);
    const double layoutAll = fullLayout(large);
    bench::reportTime("for comparison: the box's count of every row", layoutAll);
    std::printf("  %-58s %8.2f\n", "for comparison: every row counted / setPlainText", layoutAll / bare);
    std::fflush(stdout);
}
