// Caret places and moves over the store alone: graphemes, words and paragraphs,
// including texts longer than the windows the moves read.
#include "lines/emoji.h"
#include "support/mixedscripts.h"
#include "textview/caretmotion.h"
#include "textview/shownchars.h"

#include <QTest>
#include <QTextBoundaryFinder>

using namespace wimblet;
using namespace wimblet::testsupport;

namespace {

// Every place the caret stops walking forward; walking back must stop at the same.
QList<qint64> stopsForward(const TextStore &store)
{
    QList<qint64> stops {0};
    while (stops.last() < store.length())
        stops << nextGrapheme(store, stops.last());
    return stops;
}

QList<qint64> stopsBackward(const TextStore &store)
{
    QList<qint64> stops {store.length()};
    while (stops.first() > 0)
        stops.prepend(previousGrapheme(store, stops.first()));
    return stops;
}

} // namespace

class CaretMotionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void graphemesStepOverWholeClusters_data();
    void graphemesStepOverWholeClusters();
    void graphemesAreTheWholeTextsButEmojiWhole_data();
    void graphemesAreTheWholeTextsButEmojiWhole();
    void backspaceTakesTheLastCodePoint_data();
    void backspaceTakesTheLastCodePoint();
    void wordMovesCrossLongWordsInSteps();
    void wordAroundFindsTheWord_data();
    void wordAroundFindsTheWord();
    void standInsOnlyForLoneBreaks_data();
    void standInsOnlyForLoneBreaks();
};

void CaretMotionTest::graphemesStepOverWholeClusters_data()
{
    QTest::addColumn<QString>("text");
    // Every place the caret stops walking forward; walking back stops at the same.
    QTest::addColumn<QList<qint64>>("stops");
    QTest::newRow("plain") << "abc" << QList<qint64> {0, 1, 2, 3};
    QTest::newRow("CR LF is one") << "a\r\nb" << QList<qint64> {0, 1, 3, 4};
    QTest::newRow("lone CR and LF are their own") << "\n\r\r\n" << QList<qint64> {0, 1, 2, 4};
    QTest::newRow("surrogate pair") << QString::fromUtf16(u"\U0001F600x\U0001F601")
                                    << QList<qint64> {0, 2, 3, 5};
    QTest::newRow("marks join their letter")
        << QString::fromUtf16(u"e\u0301\u0302a") << QList<qint64> {0, 3, 4};
    QTest::newRow("flag of two regional indicators")
        << QString::fromUtf16(u"a\U0001F1EE\U0001F1E9b") << QList<qint64> {0, 1, 5, 6};
    // Qt reads emoji after Thai or Devanagari by that script's syllables, unit by unit.
    QTest::newRow("family and flag after Thai")
        << QString::fromUtf16(u"\u0e44\u0e17\u0e22\U0001F468\u200D\U0001F469\u200D\U0001F467\U0001F1EE\U0001F1E9")
        << QList<qint64> {0, 1, 2, 3, 11, 15};
    QTest::newRow("emoji before Devanagari, keycap after")
        << QString::fromUtf16(u"\U0001F44D\U0001F3FD\u0915\u093F1\uFE0F\u20E3") << QList<qint64> {0, 4, 6, 9};
    QTest::newRow("letter under 100 marks")
        << QStringLiteral("a") + QString(100, QChar(0x301)) + QStringLiteral("b")
        << QList<qint64> {0, 101, 102};
}

void CaretMotionTest::graphemesStepOverWholeClusters()
{
    QFETCH(QString, text);
    QFETCH(QList<qint64>, stops);

    const TextStore store(text);
    QCOMPARE(stopsForward(store), stops);
    QCOMPARE(stopsBackward(store), stops);
    for (qint64 stop : stops) {
        QCOMPARE(caretPlace(store, stop), stop);
        QCOMPARE(graphemeStartAt(store, stop), stop);
    }
}

void CaretMotionTest::graphemesAreTheWholeTextsButEmojiWhole_data()
{
    QTest::addColumn<QList<Script>>("scripts");
    QTest::newRow("Thai and emoji") << QList<Script> {Script::Thai, Script::Emoji, Script::Flags,
                                                       Script::EmojiSequences};
    QTest::newRow("Indic and emoji") << QList<Script> {Script::Devanagari, Script::Tamil, Script::Emoji,
                                                        Script::EmojiSequences, Script::Latin};
    QTest::newRow("every script") << QList<Script> {
        Script::Latin, Script::Cjk, Script::Thai, Script::Tamil, Script::Devanagari, Script::Arabic,
        Script::Marks, Script::Emoji, Script::Flags, Script::EmojiSequences, Script::StandIns};
}

void CaretMotionTest::graphemesAreTheWholeTextsButEmojiWhole()
{
    // The caret stops where Qt's graphemes of the whole paragraph end, except inside an
    // emoji sequence, which Qt splits after Thai or Indic text.
    QFETCH(QList<Script>, scripts);
    for (quint32 seed : {1u, 2u, 3u}) {
        const QString text = mixedParagraph(scripts, 1500, seed);
        const QList<EmojiSequence> emoji = emojiSequences(text);
        QList<qint64> expected {0};
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
        for (qsizetype p = finder.toNextBoundary(); p > 0; p = finder.toNextBoundary()) {
            const bool inPair = p < text.size() && text[p].isLowSurrogate() && text[p - 1].isHighSurrogate();
            if (!inPair && std::none_of(emoji.begin(), emoji.end(), [&](const EmojiSequence &e) {
                    return p > e.start && p < e.start + e.length;
                }))
                expected << p;
        }
        const TextStore store(text);
        QCOMPARE(stopsForward(store), expected);
        QCOMPARE(stopsBackward(store), expected);
    }
}

void CaretMotionTest::backspaceTakesTheLastCodePoint_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("left"); // after Backspace at the end
    QTest::newRow("letter with two marks")
        << QString::fromUtf16(u"xe\u0301\u0302") << QString::fromUtf16(u"xe\u0301");
    QTest::newRow("Indic conjunct") << QString::fromUtf16(u"x\u0915\u094D\u0937")
                                    << QString::fromUtf16(u"x\u0915\u094D");
    QTest::newRow("Hangul jamo") << QString::fromUtf16(u"x\u1100\u1161\u11A8")
                                 << QString::fromUtf16(u"x\u1100\u1161");
    QTest::newRow("mark after a surrogate pair")
        << QString::fromUtf16(u"x\U0001D400\u0301") << QString::fromUtf16(u"x\U0001D400");
    QTest::newRow("surrogate pair") << QString::fromUtf16(u"x\U0001F600") << "x";
    QTest::newRow("CR LF") << "x\r\n"
                           << "x";
    QTest::newRow("flag") << QString::fromUtf16(u"x\U0001F1EE\U0001F1E9") << "x";
    QTest::newRow("keycap") << QString::fromUtf16(u"x1\uFE0F\u20E3") << "x";
    QTest::newRow("ZWJ sequence") << QString::fromUtf16(u"x\U0001F468\u200D\U0001F469\u200D\U0001F467")
                                  << "x";
    QTest::newRow("skin tone") << QString::fromUtf16(u"x\U0001F44D\U0001F3FD") << "x";
    QTest::newRow("U+FE0F after a pictograph") << QString::fromUtf16(u"x\u2764\uFE0F") << "x";
    QTest::newRow("U+FE0F after a letter") << QString::fromUtf16(u"xa\uFE0F") << "xa";
}

void CaretMotionTest::backspaceTakesTheLastCodePoint()
{
    QFETCH(QString, text);
    QFETCH(QString, left);

    const TextStore store(text);
    QCOMPARE(store.text(0, backspaceStart(store, store.length())), left);
}

void CaretMotionTest::wordMovesCrossLongWordsInSteps()
{
    // A word longer than any window is still crossed, a window at a time, and the
    // move never lands inside a surrogate pair cut by the window.
    const QString word = QString::fromUtf16(u"\U0001F600").repeated(5000);
    const TextStore store(QStringLiteral("x ") + word + QStringLiteral(" y"));
    qint64 at = 2;
    int steps = 0;
    while (store.at(at) != u' ' && steps < 100) {
        at = nextWordStart(store, at);
        QCOMPARE(caretPlace(store, at), at);
        ++steps;
    }
    QVERIFY(steps > 1);
    QCOMPARE(nextWordStart(store, 2 + word.size()), store.length());
    qint64 back = store.length() - 1;
    for (steps = 0; back > 2 && steps < 100; ++steps) {
        back = previousWordStart(store, back);
        QCOMPARE(caretPlace(store, back), back);
    }
    QCOMPARE(back, 2);
}

void CaretMotionTest::wordAroundFindsTheWord_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<QString>("word");
    QTest::newRow("inside") << "one two" << 5ll << "two";
    QTest::newRow("at the start of a word") << "one two" << 4ll << "two";
    QTest::newRow("at a paragraph's end") << "one two\r\nx" << 7ll << "two";
    QTest::newRow("at the text's end") << "one two" << 7ll << "two";
    QTest::newRow("digits and dots") << "pi is 3.14 here" << 7ll << "3.14";
    QTest::newRow("never across the break") << "ab\r\ncd" << 4ll << "cd";
}

void CaretMotionTest::wordAroundFindsTheWord()
{
    QFETCH(QString, text);
    QFETCH(qint64, offset);
    QFETCH(QString, word);

    const TextStore store(text);
    const Span span = wordAround(store, offset);
    QCOMPARE(store.text(span.from, span.to - span.from), word);
}

void CaretMotionTest::standInsOnlyForLoneBreaks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("before");
    QTest::addColumn<QChar>("after");
    QTest::addColumn<QString>("shown");
    const QChar none;
    QTest::newRow("CR LF stays") << "a\r\nb" << none << none << "a\r\nb";
    QTest::newRow("lone LF and CR") << "a\nb\rc" << none << none
                                    << QString::fromUtf16(u"a\u2193b\u2190c");
    QTest::newRow("CR whose LF is past the end") << "ab\r" << none << QChar(u'\n') << "ab\r";
    QTest::newRow("LF whose CR is before the start") << "\nab" << QChar(u'\r') << none << "\nab";
    QTest::newRow("separators") << QString::fromUtf16(u"\u2028\u2029") << none << none
                                << QString::fromUtf16(u"\u21B5\u00B6");
    const QChar high(0xD83D), low(0xDE00), stray(0xDC97);
    QTest::newRow("lone surrogates") << QString(high) + u'a' + stray + high + low << none << none
                                     << QString::fromUtf16(u"\uFFFDa\uFFFD\U0001F600");
    QTest::newRow("halves whose others are outside") << QString(low) + high << high << low
                                                     << QString(low) + high;
}

void CaretMotionTest::standInsOnlyForLoneBreaks()
{
    QFETCH(QString, text);
    QFETCH(QChar, before);
    QFETCH(QChar, after);
    QFETCH(QString, shown);

    QString turned = text;
    QCOMPARE(applyStandIns(turned, before, after), shown != text);
    QCOMPARE(turned, shown);
}

QTEST_MAIN(CaretMotionTest)
#include "tst_caretmotion.moc"
