// The text view against the text box it replaces: the same seeded key scripts sent to
// both, and after every step the text, the caret, the selection and the row figures
// compared (diffpair.h says which comparisons are exact and which the view's own rules
// leave out), with the script so far printed when they part.
#include "diffpair.h"

#include "support/plaintextbox.h"
#include "textview/textview.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <memory>

using namespace wimblet;
using namespace wimblet::difftest;

namespace {

constexpr int kHeight = 160;
constexpr int kSeeds = 5;
constexpr int kSteps = 200;

} // namespace

class TextViewDifferentialTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void bothWrapAtTheSameWidth_data();
    void bothWrapAtTheSameWidth();
    void scriptsAgreeStepByStep_data();
    void scriptsAgreeStepByStep();
    void settledDisagreementsStaySettled_data();
    void settledDisagreementsStaySettled();

private:
    std::unique_ptr<DiffPair> m_pair;
};

void TextViewDifferentialTest::init()
{
    QGuiApplication::clipboard()->clear(); // nothing left from the rows before
    m_pair = std::make_unique<DiffPair>(kHeight);
    QVERIFY(QTest::qWaitForWindowExposed(m_pair->view()));
    QVERIFY(QTest::qWaitForWindowExposed(m_pair->box()));
}

void TextViewDifferentialTest::cleanup()
{
    m_pair.reset();
}

void TextViewDifferentialTest::bothWrapAtTheSameWidth_data()
{
    QTest::addColumn<int>("width");
    for (int width : {120, 200, 321, 480})
        QTest::newRow(qPrintable(QString::number(width))) << width;
}

void TextViewDifferentialTest::bothWrapAtTheSameWidth()
{
    QFETCH(int, width);
    PlainTextBox *box = m_pair->box();
    m_pair->resize(width);
    box->setText(QStringLiteral("x"));
    box->lines().lineCount(); // lays the box's first block out
    const QTextLayout *layout = box->document()->firstBlock().layout();
    QVERIFY(layout && layout->lineCount() == 1);
    QCOMPARE(m_pair->view()->viewport()->width(), box->viewport()->width());
    QCOMPARE(m_pair->view()->rowWidth(), layout->lineAt(0).width());
}

void TextViewDifferentialTest::scriptsAgreeStepByStep_data()
{
    QTest::addColumn<int>("seed");
    QTest::addColumn<int>("writing");
    QTest::addColumn<int>("mix");
    for (int seed = 1; seed <= kSeeds; ++seed)
        for (int w = 0; w <= int(Writing::Mixed); ++w)
            for (int m = 0; m <= int(Mix::Undo); ++m) {
                const QString name = QStringLiteral("%1 %2 seed %3")
                                         .arg(writingName(Writing(w)), mixName(Mix(m)))
                                         .arg(seed);
                QTest::newRow(qPrintable(name)) << seed << w << m;
            }
}

void TextViewDifferentialTest::scriptsAgreeStepByStep()
{
    QFETCH(int, seed);
    QFETCH(int, writing);
    QFETCH(int, mix);
    const QString start = startText(Writing(writing), quint32(seed));
    const Script script = makeScript(Mix(mix), Writing(writing), quint32(seed), kSteps);
    const QString failure = m_pair->run(start, script, Writing(writing));
    const int played = m_pair->stepsPlayed();
    const QString message = QStringLiteral("%1after step %2 of the script from the start text %3:\n%4")
                                .arg(failure)
                                .arg(played)
                                .arg(quoted(start), describePrefix(script, played));
    QVERIFY2(failure.isEmpty(), qPrintable(message));
}

void TextViewDifferentialTest::settledDisagreementsStaySettled_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("script");
    const QString lines = QStringLiteral("first line of text\r\nsecond\r\nthe third line is longer");
    QTest::newRow("Up after Ctrl+A starts from the caret's own x")
        << lines << QStringLiteral("Ctrl+Home Down Ctrl+A Up");
    const QString korean
        = QString::fromUtf16(u"\u6f22\u5b57\u3002\ud55c\uad6d\uc5b4\ud55c\uad6d\uc5b4.\ud55c "
                             u"2024\ub144 \ud55c\uad6d\uc5b4(\ud55c)\u7de8\u96c6")
              .repeated(6);
    QTest::newRow("Korean wraps at its blanks, never between syllables")
        << korean << QStringLiteral("resize:420 Ctrl+End resize:300 Home Up resize:479");
    const QString struck = QString::fromUtf16(u"x\u0336y\u0336z\u0336 cafe\u0301 ").repeated(20);
    QTest::newRow("a mark the font cannot attach takes room on its row")
        << struck << QStringLiteral("resize:300 Ctrl+End resize:250 Home Up");
    const QString ideographs = QString::fromUtf16(u"\u6587\u5b57\u7de8\u96c6\u6f22\u5b57").repeated(30);
    QTest::newRow("wide characters take the room they are drawn with")
        << ideographs << QStringLiteral("resize:260 Ctrl+End Up Home resize:400 Down");
    QTest::newRow("Ctrl+Y redoes as Ctrl+Shift+Z does")
        << lines
        << QStringLiteral("Ctrl+End \"ab\" Return Ctrl+Z Ctrl+Z Ctrl+Y Ctrl+Z Ctrl+Shift+Z Ctrl+Y");
    QTest::newRow("Backspace takes marks off their letter one at a time")
        << QString::fromUtf16(u"x cafe\u0301\u0302 a\u030a\u0301")
        << QStringLiteral("Ctrl+End Backspace Left Left Backspace Backspace Backspace");
    QTest::newRow("Backspace takes a conjunct's letters one at a time")
        << QString::fromUtf16(u"x \u0915\u094D\u0937\u093F \u0928\u093F")
        << QStringLiteral("Ctrl+End Backspace Left Left Backspace Backspace Backspace Backspace");
    QTest::newRow("Backspace takes an emoji sequence whole")
        << QString::fromUtf16(u"a\U0001F468\u200D\U0001F469\u200D\U0001F467 \U0001F1EE\U0001F1E9"
                              u"\U0001F44D\U0001F3FD1\uFE0F\u20E3")
        << QStringLiteral("Ctrl+End Backspace Backspace Backspace Backspace Backspace");
    const QString mixed = QString::fromUtf16(u"See the notes (about \u0639\u0646 \u0627\u0644\u0643\u062a\u0627\u0628 "
                                             u"2026) and \u05e9\u05dc\u05d5\u05dd. ").repeated(8);
    QTest::newRow("a wrapped row starting right to left keeps its paragraph's order")
        << mixed << QStringLiteral("resize:300 Ctrl+Home Down End Down Up Home Down Right Right End Up");
    const QString arabic = QString::fromUtf16(u"\u0645\u0631\u062d\u0628\u0627 \u0628\u0627\u0644\u0639\u0627\u0644\u0645 "
                                              u"(\u0643\u062a\u0627\u0628) 42 ").repeated(10);
    QTest::newRow("in a right-to-left paragraph Right goes back")
        << arabic << QStringLiteral("resize:260 Ctrl+End Up Home Right Right Right Left Left End Left "
                                    "Ctrl+Left Ctrl+Right Shift+Left Right");
    const QString stacked = QString::fromUtf16(u"\u0e19\u0e49\u0e33 \u0e17\u0e35\u0e48\u0e19\u0e35\u0e48 "
                                               u"A\u0302\u0303 O\u0302\u0309 o\u031b\u0309 "
                                               u"\u0f67\u0f71\u0f74\u0f82 \u0f40\u0fb5\u0fa8\u0fb1\u0f71\u0f74 "
                                               u"\u1780\u17d2\u179f\u17d2\u1798 ")
                                .repeated(6);
    QTest::newRow("the caret steps over whole clusters of stacked marks")
        << stacked << QStringLiteral("resize:260 Ctrl+Home Right Right Right Shift+Right Right End Left Left "
                                     "Down Left Backspace Right Right Up End Backspace Home");
    QTest::newRow("a triple click takes the paragraph and its line break")
        << lines << QStringLiteral("click3:5 click3:30 click3:22 click3:0");
    QTest::newRow("a dragged triple click takes whole paragraphs")
        << lines << QStringLiteral("click3:5-20 click3:5-24 click3:30-3 click3:22-2 click3:22-52");
}

void TextViewDifferentialTest::settledDisagreementsStaySettled()
{
    QFETCH(QString, start);
    QFETCH(QString, script);
    const Script steps = parseScript(script);
    const QString failure = m_pair->run(start, steps, Writing::Latin);
    QVERIFY2(failure.isEmpty(), qPrintable(failure + describePrefix(steps, m_pair->stepsPlayed())));
}

QTEST_MAIN(TextViewDifferentialTest)
#include "tst_textview_differential.moc"
