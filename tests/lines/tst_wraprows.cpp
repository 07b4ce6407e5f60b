// Where a paragraph's rows start at a given width, and the running sums of rows and
// offsets over many paragraphs, worked out without any widget.
#include "lines/charwidths.h"
#include "lines/rowtree.h"
#include "lines/wraprows.h"
#include "support/blockmeasure.h"
#include "support/uncountedblocks.h"

#include <QRandomGenerator>
#include <QTest>

using namespace wimblet;

namespace {

// 26 units per character and a break before every character that follows a blank.
struct SyntheticWidths {
    std::vector<qint32> table = std::vector<qint32>(65536, 26);
    std::vector<quint8> breaks(const QString &text) const
    {
        std::vector<quint8> out(size_t(text.size()) + 1, 0);
        for (int i = 1; i <= text.size(); ++i)
            out[size_t(i)] = i == text.size() || (text[i - 1] == u' ' && text[i] != u' ');
        return out;
    }
};

} // namespace

class WrapRowsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rowsBreakAfterBlanksAndHangTheirBlanks_data();
    void rowsBreakAfterBlanksAndHangTheirBlanks();
    void aRowInAViewIsToldOnlyWhenTheViewSettlesIt_data();
    void aRowInAViewIsToldOnlyWhenTheViewSettlesIt();
    void blockMeasureFindsWidthsBlanksAndUnknowns_data();
    void blockMeasureFindsWidthsBlanksAndUnknowns();
    void lineBreaksKeepHangulTogether_data();
    void lineBreaksKeepHangulTogether();
    void quietPunctuationNeverBreaksBetweenLetters();
    void breaksInWordsAgreeWithTheRulesInsideEveryRun();
    void rowTreeFollowsEdits();
};

void WrapRowsTest::rowsBreakAfterBlanksAndHangTheirBlanks_data()
{
    // Characters 26 wide, a tab stop every 208; rows of the given width.
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<std::vector<int>>("starts");
    QTest::newRow("empty") << "" << 100 << std::vector<int>{0};
    QTest::newRow("fits exactly") << "aaaa" << 104 << std::vector<int>{0};
    QTest::newRow("word moves down") << "aaa bbb" << 130 << std::vector<int>{0, 4};
    QTest::newRow("blanks hang") << "aaaa   bbbb" << 104 << std::vector<int>{0, 7};
    QTest::newRow("long word anywhere") << "aaaaaaaaaa" << 80 << std::vector<int>{0, 3, 6, 9};
    QTest::newRow("indented long word") << "   aaaa" << 130 << std::vector<int>{0, 5};
    QTest::newRow("blanks wider than row") << "a" + QString(6, u' ') + "b" << 104
                                           << std::vector<int>{0, 7};
    QTest::newRow("tab fits") << "a\tb" << 240 << std::vector<int>{0};
    QTest::newRow("after tab moves down") << "a\tb" << 220 << std::vector<int>{0, 2};
    QTest::newRow("second tab hangs") << "aaaaaaa\t\tb" << 220 << std::vector<int>{0, 9};
    QTest::newRow("word after wrap fits") << "aa bb cc dd" << 160 << std::vector<int>{0, 6};
}

void WrapRowsTest::rowsBreakAfterBlanksAndHangTheirBlanks()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    const SyntheticWidths w;
    const std::vector<quint8> breaks = w.breaks(text);
    std::vector<int> starts;
    wrapRows(text, w.table.data(), breaks.data(), RowMetrics{width, 208}, starts);
    QTEST(starts, "starts");
    // The shortcut for a block that fits may only ever agree with the rows.
    const bool fits = fitsOneRow(text, w.table.data(), RowMetrics{width, 208});
    QVERIFY(!fits || starts.size() == 1);
    QCOMPARE(fits, starts.size() == 1 && !text.endsWith(u' '));
}

void WrapRowsTest::aRowInAViewIsToldOnlyWhenTheViewSettlesIt_data()
{
    // Characters 26 wide; the view is all the row may read, the paragraph goes on.
    QTest::addColumn<QString>("view");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("length"); // 0: more text is needed
    QTest::newRow("next word does not fit") << "aaa bbb" << 130 << 4;
    QTest::newRow("next word may go on") << "aaa b" << 130 << 0;
    QTest::newRow("row may take more") << "aa bb" << 400 << 0;
    QTest::newRow("blanks may go on") << "aaaa   " << 104 << 0;
    QTest::newRow("blanks end in view") << "aaaa   b" << 104 << 7;
    QTest::newRow("long word broken anywhere") << QString(20, u'a') << 80 << 3;
    QTest::newRow("tab past the edge") << "aaaaaaa\tb" << 190 << 8;
}

void WrapRowsTest::aRowInAViewIsToldOnlyWhenTheViewSettlesIt()
{
    QFETCH(QString, view);
    QFETCH(int, width);
    const SyntheticWidths w;
    const std::vector<quint8> breaks = w.breaks(view);
    const int length = rowLengthAt(view, w.table.data(), breaks.data(), RowMetrics{width, 208}, 0,
                                   true);
    QTEST(length, "length");
}

void WrapRowsTest::blockMeasureFindsWidthsBlanksAndUnknowns_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("measurable");
    QTest::addColumn<qint64>("width");
    QTest::addColumn<qint64>("widestBlanks");
    QTest::addColumn<int>("unknownAt");
    QTest::newRow("plain") << "ab  c   d" << true << qint64(9 * 26) << qint64(3 * 26) << -1;
    QTest::newRow("tabs reach stops") << "a\t\tb" << true << qint64(416 + 26) << qint64(0) << -1;
    QTest::newRow("no width") << "ab\x01" << false << qint64(52) << qint64(0) << -1;
    QTest::newRow("unknown") << QString::fromUtf16(u"ab\u00e9") << false << qint64(52)
                             << qint64(0) << 2;
}

void WrapRowsTest::blockMeasureFindsWidthsBlanksAndUnknowns()
{
    QFETCH(QString, text);
    std::vector<qint32> table(65536, 26);
    table[1] = kNoWidth;
    table[0xE9] = kUnknownWidth;
    const BlockMeasure m = wimblet::measureBlock(text, table.data(), 208);
    QTEST(m.measurable, "measurable");
    QTEST(m.width, "width");
    QTEST(m.widestSpaceRun, "widestBlanks");
    QTEST(int(m.unknownAt), "unknownAt");
}

void WrapRowsTest::lineBreaksKeepHangulTogether_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::vector<int>>("breaks");
    // As the layout breaks them: Korean at its blanks, Hangul joined to letters, digits
    // and the stops after it as a word of letters is, ideographs between any two.
    QTest::newRow("Korean words") << QString::fromUtf16(u"\ud55c\uad6d\uc5b4 \ud55c\uad6d\uc5b4")
                                  << std::vector<int>{4, 7};
    QTest::newRow("Hangul between ideographs")
        << QString::fromUtf16(u"\u6f22\u5b57\ud55c\uad6d\uc5b4\u6f22\u5b57")
        << std::vector<int>{1, 2, 5, 6, 7};
    QTest::newRow("Hangul after a stop") << QString::fromUtf16(u"\ud55c.\ud55c") << std::vector<int>{3};
    QTest::newRow("digits and Hangul")
        << QString::fromUtf16(u"2024\ub144 \ud55c") << std::vector<int>{6, 7};
    QTest::newRow("Latin unchanged") << QStringLiteral("ab cd-ef") << std::vector<int>{3, 6, 8};
}

void WrapRowsTest::lineBreaksKeepHangulTogether()
{
    QFETCH(QString, text);
    std::vector<quint8> flags(size_t(text.size()) + 1, 0);
    findLineBreaks(text, flags.data());
    std::vector<int> found;
    for (int i = 0; i <= text.size(); ++i)
        if (flags[size_t(i)])
            found.push_back(i);
    QTEST(found, "breaks");
}

namespace {

// What the shortcut passes over without the rules: letters, digits and quiet punctuation.
const QString kQuiet = QStringLiteral("aZ.,:;\"')]#&*=@_<>~^`")
                       + QString::fromUtf16(u"\u00c0\u00e9\u00ff\u00a9\u201c\u201d");

std::vector<quint8> ruleBreaks(const QString &text)
{
    std::vector<quint8> flags(size_t(text.size()) + 1, 0);
    findLineBreaks(text, flags.data());
    return flags;
}

} // namespace

void WrapRowsTest::quietPunctuationNeverBreaksBetweenLetters()
{
    // Any two of them, after and before any of them or a blank.
    const QString sides = kQuiet + QStringLiteral(" ");
    for (QChar left : sides)
        for (QChar x : kQuiet)
            for (QChar y : kQuiet)
                for (QChar right : sides) {
                    const QString text = QString(left) + x + y + right;
                    QVERIFY2(!ruleBreaks(text)[2], qPrintable(text));
                }
}

void WrapRowsTest::breaksInWordsAgreeWithTheRulesInsideEveryRun()
{
    // Quiet runs mixed with characters that break, join or shape: digits, ! and ?,
    // brackets, hyphens, slashes, ideographs, Hangul, a combining mark, a soft hyphen, dashes, a zero-width space,
    // an emoji's surrogate pair, currency and percent signs.
    const QString loud = QString::fromUtf16(u"09!?([{}\u27e8\u27e9-/\u4e2d\u6587\ud55c\u0301\u00ad"
                                            u"\u2014\u2013\u200b\U0001F600%$+|\u00d7\u3002");
    QRandomGenerator rng(17);
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int length = 1 + int(rng.bounded(60));
        while (text.size() < length) {
            const quint32 pick = rng.bounded(20);
            if (pick < 3)
                text += pick == 0 ? u'\t' : u' ';
            else if (pick < 6)
                text += loud.mid(int(rng.bounded(quint32(loud.size()))), 1);
            else
                text += kQuiet[int(rng.bounded(quint32(kQuiet.size())))];
        }
        const std::vector<quint8> rules = ruleBreaks(text);
        std::vector<quint8> words(rules.size(), 0);
        findBreaksInWords(text, words.data());
        for (int i = 1; i < text.size(); ++i) {
            const bool inside = !QStringLiteral(" \t").contains(text[i - 1])
                                && !QStringLiteral(" \t").contains(text[i]);
            if (inside && rules[size_t(i)] != words[size_t(i)])
                QFAIL(qPrintable(QStringLiteral("%1 at %2").arg(text).arg(i)));
        }
    }
}

void WrapRowsTest::rowTreeFollowsEdits()
{
    // A plain list of blocks is the model the chunked sums must agree with.
    QRandomGenerator rng(7);
    std::vector<BlockRows> model;
    for (int i = 0; i < 3000; ++i)
        model.push_back(BlockRows{1 + int(rng.bounded(3)), int(rng.bounded(90))});
    RowTree tree;
    tree.assign(model);
    for (int step = 0; step < 400; ++step) {
        const int first = int(rng.bounded(int(model.size())));
        const int removed = std::min(int(model.size()) - first, int(rng.bounded(4)));
        std::vector<int> lengths(rng.bounded(step % 50 == 0 ? 1500 : 4));
        for (int &l : lengths)
            l = int(rng.bounded(90));
        tree.replace(first, removed, lengths);
        model.erase(model.begin() + first, model.begin() + first + removed);
        for (size_t k = 0; k < lengths.size(); ++k)
            model.insert(model.begin() + first + qsizetype(k), BlockRows{-1, lengths[k]});
        std::vector<int> uncounted;
        for (int b = 0; b < int(model.size()); ++b)
            if (model[size_t(b)].rows < 0)
                uncounted.push_back(b);
        QCOMPARE(uncountedBlocks(tree), uncounted);
        for (int b : uncounted) {
            model[size_t(b)].rows = 1 + b % 4;
            tree.setRows(b, model[size_t(b)].rows);
        }
        QCOMPARE(tree.blockCount(), int(model.size()));
        qint64 rows = 0, offset = 0;
        for (int b = 0; b < int(model.size()); b += 1 + int(rng.bounded(40))) {
            rows = 0, offset = 0;
            for (int k = 0; k < b; ++k) {
                rows += model[size_t(k)].rows;
                offset += model[size_t(k)].length + 2;
            }
            QCOMPARE(tree.rowsBefore(b), rows);
            QCOMPARE(tree.offsetOf(b), offset);
            QCOMPARE(tree.blockAtRow(rows + model[size_t(b)].rows - 1), b);
            QCOMPARE(tree.blockAtOffset(offset + model[size_t(b)].length + 1), b);
        }
    }
}

QTEST_GUILESS_MAIN(WrapRowsTest)
#include "tst_wraprows.moc"
