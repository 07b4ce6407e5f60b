// The row starts of one paragraph kept across edits: after every edit they are the
// rows that wrapping the whole paragraph from scratch gives, and an edit reads and
// wraps only a few rows around it.
#include "lines/paragraphrows.h"
#include "wraporacle.h"

#include <QTest>

using namespace wimblet;
using namespace wimblet::wraptest;

Q_DECLARE_METATYPE(wimblet::wraptest::Kind)

namespace {

// A text source that counts what it hands out.
struct CountingSource
{
    const QString &text;
    qint64 read = 0;
    TextSource source()
    {
        return [this](qint64 from, qint64 count) {
            const QString piece = text.mid(from, count);
            read += piece.size();
            return piece;
        };
    }
};

// The rows known so far are the first rows from scratch; wrapping on in slices of
// `slice` characters, if any, keeps them so, and sound, and ends with all of them.
bool finishesAsFromScratch(ParagraphRows &rows, const WrapSetup &setup, const TextSource &source,
                           const std::vector<qint64> &expected, qint64 slice)
{
    for (;;) {
        const QString broken = rows.brokenInvariant();
        if (!broken.isEmpty()) {
            qWarning("%s", qPrintable(broken));
            return false;
        }
        const std::vector<qint64> all = rows.rowStarts();
        const size_t known = size_t(rows.knownRows());
        if (known > expected.size() || known > all.size()
            || !std::equal(all.begin(), all.begin() + qsizetype(known), expected.begin()))
            return false;
        if (rows.complete())
            return all == expected;
        if (slice == 0)
            return true;
        rows.wrapSome(setup, source, slice);
    }
}

} // namespace

class ParagraphRowsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rowsMatchWrappingFromScratchAfterEveryEdit_data();
    void rowsMatchWrappingFromScratchAfterEveryEdit();
    void editsAtTheEdgesMatchWrappingFromScratch_data();
    void editsAtTheEdgesMatchWrappingFromScratch();
    void editsMatchWrappingFromScratchInCraftedParagraphs_data();
    void editsMatchWrappingFromScratchInCraftedParagraphs();
    void typingInALongParagraphReadsAndWrapsOnlyNearbyRows_data();
    void typingInALongParagraphReadsAndWrapsOnlyNearbyRows();
    void anOffsetWhereARowStartsBelongsToThatRow();
    void editsPastTheKnownRowsMatchWrappingFromScratch_data();
    void editsPastTheKnownRowsMatchWrappingFromScratch();
    void rowsUpToAnOffsetAreWrappedFromTheLastKnownRow();
    void textTypedAndTakenBackKeepsTheRowsKnownSince();
};

void ParagraphRowsTest::rowsMatchWrappingFromScratchAfterEveryEdit_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<qint64>("lineWidth");
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<bool>("bounded"); // false: windows grow only as rows need
    QTest::newRow("prose") << Kind::Prose << qint64(2400) << 11u << true;
    QTest::newRow("prose, widths that cannot bound a row")
        << Kind::Prose << qint64(2400) << 10u << false;
    QTest::newRow("prose, narrow rows") << Kind::Prose << qint64(300) << 12u << true;
    QTest::newRow("no spaces, broken anywhere") << Kind::NoSpaces << qint64(2000) << 13u << true;
    QTest::newRow("no spaces, narrow rows") << Kind::NoSpaces << qint64(100) << 14u << true;
    QTest::newRow("tabs and wide blank runs") << Kind::Tabs << qint64(1800) << 15u << true;
    QTest::newRow("wide and narrow letters") << Kind::WideAndNarrow << qint64(1500) << 16u << true;
    QTest::newRow("rows narrower than a letter") << Kind::WideAndNarrow << qint64(40) << 17u << true;
    QTest::newRow("numbers and signs") << Kind::Numbers << qint64(700) << 18u << true;
    QTest::newRow("Cyrillic") << Kind::Cyrillic << qint64(1900) << 20u << true;
    QTest::newRow("numbers, wide rows") << Kind::Numbers << qint64(1600) << 19u << true;
    QTest::newRow("repeated words") << Kind::Repeated << qint64(2400) << 22u << true;
    QTest::newRow("repeated words, narrow rows") << Kind::Repeated << qint64(500) << 23u << true;
    QTest::newRow("repeated numbers") << Kind::RepeatedNumbers << qint64(2400) << 24u << true;
    QTest::newRow("repeated numbers, narrow rows")
        << Kind::RepeatedNumbers << qint64(700) << 25u << true;
}

void ParagraphRowsTest::rowsMatchWrappingFromScratchAfterEveryEdit()
{
    QFETCH(Kind, kind);
    QFETCH(qint64, lineWidth);
    QFETCH(quint32, seed);
    QFETCH(bool, bounded);
    WrapSetup setup = setupFor(lineWidth);
    if (!bounded)
        setup.rowCharsHint = 0;
    QString text = paragraphOf(kind, 12000, seed);
    const TextSource source = sourceOf(text);
    ParagraphRows rows;
    rows.wrap(setup, source, text.size());
    QCOMPARE(rows.rowStarts(), rowsFromScratch(text, setup));
    QRandomGenerator rng(seed);
    for (int step = 0; step < 250; ++step) {
        const Edit e = randomEdit(rng, text.size(), kind != Kind::NoSpaces, false);
        text.replace(e.offset, e.removed, e.inserted);
        rows.edit(setup, source, e.offset, e.removed, e.inserted.size());
        QCOMPARE(rows.length(), qint64(text.size()));
        const std::vector<qint64> expected = rowsFromScratch(text, setup);
        // Every few steps the rows are left partly unknown across the next edits.
        const qint64 slice = step % 4 == 3 ? 50 + step * 7 : 0;
        if (!finishesAsFromScratch(rows, setup, source, expected, slice))
            QFAIL(qPrintable(QStringLiteral("step %1: %2 removed and %3 inserted at %4")
                                 .arg(step)
                                 .arg(e.removed)
                                 .arg(e.inserted.size())
                                 .arg(e.offset)));
        if (rows.complete())
            QCOMPARE(rows.rowCount(), int(expected.size()));
    }
}

void ParagraphRowsTest::editsAtTheEdgesMatchWrappingFromScratch_data()
{
    // Where the edit goes: "row" is the start of the middle row plus `shift`.
    QTest::addColumn<QString>("where");
    QTest::addColumn<int>("shift");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QString>("inserted");
    QTest::newRow("letter at a wrap point") << "row" << 0 << 0 << "x";
    QTest::newRow("space at a wrap point") << "row" << 0 << 0 << " ";
    QTest::newRow("delete before a wrap point") << "row" << -1 << 1 << "";
    QTest::newRow("delete the row's first word") << "row" << 0 << 6 << "";
    QTest::newRow("long word at a wrap point") << "row" << 0 << 0 << QString(300, u'q');
    QTest::newRow("delete the whole paragraph") << "start" << 0 << -1 << "";
    QTest::newRow("replace the whole paragraph") << "start" << 0 << -1 << "a new short text";
    QTest::newRow("type at the start") << "start" << 0 << 0 << "Z";
    QTest::newRow("type at the end") << "end" << 0 << 0 << " tail";
    QTest::newRow("delete at the end") << "end" << -3 << 3 << "";
}

void ParagraphRowsTest::editsAtTheEdgesMatchWrappingFromScratch()
{
    QFETCH(QString, where);
    QFETCH(int, shift);
    QFETCH(int, removed);
    QFETCH(QString, inserted);
    const WrapSetup setup = setupFor(1200);
    QString text = paragraphOf(Kind::Prose, 3000, 21);
    const TextSource source = sourceOf(text);
    ParagraphRows rows;
    rows.wrap(setup, source, text.size());
    qint64 offset = where == "end" ? text.size() : 0;
    if (where == "row")
        offset = rows.rowStart(rows.rowCount() / 2);
    offset += shift;
    const qint64 cut = removed < 0 ? text.size() - offset : removed;
    text.replace(offset, cut, inserted);
    rows.edit(setup, source, offset, cut, inserted.size());
    QVERIFY(finishesAsFromScratch(rows, setup, source, rowsFromScratch(text, setup), 700));
}

void ParagraphRowsTest::editsMatchWrappingFromScratchInCraftedParagraphs_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("lineWidth");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QString>("inserted");
    // "ii " fills a row whose room the next forty narrow letters would just fit,
    // were they a word of their own: a space before the wide letter makes them one,
    // and they move up two rows.
    const QString split = QStringLiteral("ii ") + QString(40, u'i') + QStringLiteral("WWWW ok");
    QTest::newRow("split word moves up two rows") << split << qint64(612) << 43 << 0 << " ";
    QTest::newRow("joined word moves down two rows")
        << QStringLiteral("ii ") + QString(40, u'i') + QStringLiteral(" WWWW ok") << qint64(612) << 43
        << 1 << "";
    const QString blanks = QStringLiteral("word ") + QString(9000, u' ') + QStringLiteral("end");
    QTest::newRow("blanks longer than any window") << blanks << qint64(300) << 2 << 0 << "x";
    QTest::newRow("typing after long blanks") << blanks << qint64(300) << 9004 << 0 << "x y";
    QString digits;
    for (int i = 0; i < 3000; ++i)
        digits += QString::number(i % 10) + (i % 7 == 0 ? QStringLiteral("(") : QString());
    QTest::newRow("no letter to start break rules from") << digits << qint64(500) << 2000 << 3 << "1)";
}

void ParagraphRowsTest::editsMatchWrappingFromScratchInCraftedParagraphs()
{
    QFETCH(QString, text);
    QFETCH(qint64, lineWidth);
    QFETCH(int, offset);
    QFETCH(int, removed);
    QFETCH(QString, inserted);
    const WrapSetup setup = setupFor(lineWidth);
    const TextSource source = sourceOf(text);
    ParagraphRows rows;
    rows.wrap(setup, source, text.size());
    QCOMPARE(rows.rowStarts(), rowsFromScratch(text, setup));
    text.replace(offset, removed, inserted);
    rows.edit(setup, source, offset, removed, inserted.size());
    QVERIFY(finishesAsFromScratch(rows, setup, source, rowsFromScratch(text, setup), 700));
}

void ParagraphRowsTest::typingInALongParagraphReadsAndWrapsOnlyNearbyRows_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<double>("where"); // fraction of the paragraph
    QTest::newRow("prose, end") << Kind::Prose << 1.0;
    QTest::newRow("prose, middle") << Kind::Prose << 0.5;
    QTest::newRow("no spaces, end") << Kind::NoSpaces << 1.0;
    QTest::newRow("no spaces, middle") << Kind::NoSpaces << 0.5;
    QTest::newRow("Cyrillic, middle") << Kind::Cyrillic << 0.5;
}

void ParagraphRowsTest::typingInALongParagraphReadsAndWrapsOnlyNearbyRows()
{
    QFETCH(Kind, kind);
    QFETCH(double, where);
    const WrapSetup setup = setupFor(2400);
    QString text = paragraphOf(kind, 400000, 31);
    CountingSource counting {text};
    const TextSource source = counting.source();
    ParagraphRows rows;
    rows.wrap(setup, source, text.size());
    for (QChar c : QStringLiteral("abc d")) {
        const qint64 offset = qint64(double(text.size()) * where);
        text.insert(offset, c);
        counting.read = 0;
        rows.edit(setup, source, offset, 0, 1);
        QVERIFY2(rows.rewrappedRows() <= 6, qPrintable(QString::number(rows.rewrappedRows())));
        // A few rows' worth of windows, however long the paragraph.
        QVERIFY2(counting.read <= 12 * setup.rowCharsHint + 512,
                 qPrintable(QString::number(counting.read)));
    }
    QCOMPARE(rows.rowStarts(), rowsFromScratch(text, setup));
}

void ParagraphRowsTest::anOffsetWhereARowStartsBelongsToThatRow()
{
    const WrapSetup setup = setupFor(900);
    const QString text = paragraphOf(Kind::Prose, 40000, 41);
    const TextSource source = sourceOf(text);
    ParagraphRows rows;
    rows.wrap(setup, source, text.size());
    QVERIFY(rows.rowCount() > 300); // several chunks of rows
    for (int row = 0; row < rows.rowCount(); ++row) {
        const qint64 start = rows.rowStart(row);
        QCOMPARE(rows.rowOfOffset(start), row);
        if (row > 0)
            QCOMPARE(rows.rowOfOffset(start - 1), row - 1);
    }
    QCOMPARE(rows.rowOfOffset(text.size()), rows.rowCount() - 1);
}

void ParagraphRowsTest::editsPastTheKnownRowsMatchWrappingFromScratch_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<qint64>("lineWidth");
    QTest::newRow("repeated words") << Kind::Repeated << qint64(2400);
    QTest::newRow("repeated words, narrow rows") << Kind::Repeated << qint64(700);
    QTest::newRow("repeated numbers") << Kind::RepeatedNumbers << qint64(1900);
    QTest::newRow("prose after a paste") << Kind::Prose << qint64(1500);
}

// Keys at the start run repetitive rows out of step, a paste prose rows for a while,
// leaving most of them unknown; then letters typed far past the known rows run the
// rows after them out of step too.
void ParagraphRowsTest::editsPastTheKnownRowsMatchWrappingFromScratch()
{
    QFETCH(Kind, kind);
    QFETCH(qint64, lineWidth);
    const WrapSetup setup = setupFor(lineWidth);
    for (int letters = 1; letters <= 12; ++letters) {
        QString text = paragraphOf(kind, 30000, 0);
        const TextSource source = sourceOf(text);
        ParagraphRows rows;
        rows.wrap(setup, source, text.size());
        if (kind == Kind::Prose) {
            const QString paste = paragraphOf(Kind::WideAndNarrow, 3000, letters);
            text.insert(500, paste);
            rows.edit(setup, source, 500, 0, paste.size());
        }
        for (int key = 0; rows.complete() && key < 40; ++key) {
            text.insert(0, u'k');
            rows.edit(setup, source, 0, 0, 1);
        }
        QVERIFY(!rows.complete());
        const qint64 known = rows.knownEnd();
        const qint64 offset = 20000 + letters * 7;
        text.insert(offset, QString(letters, u'W'));
        rows.edit(setup, source, offset, 0, letters);
        QCOMPARE(rows.knownEnd(), known);
        QVERIFY(finishesAsFromScratch(rows, setup, source, rowsFromScratch(text, setup), 900));
    }
}

void ParagraphRowsTest::rowsUpToAnOffsetAreWrappedFromTheLastKnownRow()
{
    const WrapSetup setup = setupFor(1300);
    const QString text = paragraphOf(Kind::Prose, 80000, 43);
    CountingSource counting {text};
    const TextSource source = counting.source();
    const std::vector<qint64> expected = rowsFromScratch(text, setup);
    ParagraphRows rows;
    rows.restart(text.size());
    QCOMPARE(rows.rowCount(), 1);
    // In steps of at most 5000 characters, each reading a few windows past what it wraps.
    int steps = 0;
    for (qint64 wanted = 30000; !rows.wrapTo(setup, source, wanted, 5000); ++steps) {
        QVERIFY2(counting.read <= (steps + 1) * 3 * 5000, qPrintable(QString::number(counting.read)));
        QVERIFY(rows.knownEnd() <= wanted);
    }
    QVERIFY(steps >= 30000 / 5000 - 2);
    QVERIFY(rows.knownEnd() > 30000);
    QVERIFY(rows.knownEnd() < 40000);
    QVERIFY(!rows.complete());
    const int row = rows.rowOfOffset(30000);
    QCOMPARE(rows.rowStart(row), *(std::upper_bound(expected.begin(), expected.end(), 30000) - 1));
    QVERIFY(finishesAsFromScratch(rows, setup, source, expected, 7000));
}

// In repetitive text, typed letters may run the rows out of step for good, and taking
// them back runs them in step again: with the rows known before, not wrapped anew.
void ParagraphRowsTest::textTypedAndTakenBackKeepsTheRowsKnownSince()
{
    const WrapSetup setup = setupFor(2400);
    QString text = paragraphOf(Kind::Repeated, 60000, 0);
    const TextSource source = sourceOf(text);
    ParagraphRows rows;
    rows.wrap(setup, source, text.size());
    QString typed;
    while (rows.complete()) {
        text.insert(0, u'k');
        typed += u'k';
        rows.edit(setup, source, 0, 0, 1);
    }
    rows.wrapSome(setup, source, 20000);
    const qint64 known = rows.knownEnd();
    for (int letters = 1; rows.knownEnd() >= known && letters < 40; ++letters) {
        text.insert(0, QString(letters, u'x'));
        rows.edit(setup, source, 0, 0, letters);
        if (rows.knownEnd() >= known) { // in step again at once: try more letters
            text.remove(0, letters);
            rows.edit(setup, source, 0, letters, 0);
            continue;
        }
        text.remove(0, letters);
        rows.edit(setup, source, 0, letters, 0);
        QCOMPARE(rows.knownEnd(), known);
        QVERIFY(finishesAsFromScratch(rows, setup, source, rowsFromScratch(text, setup), 3000));
        return;
    }
    QFAIL("no letters ran the rows out of step");
}

QTEST_GUILESS_MAIN(ParagraphRowsTest)
#include "tst_paragraphrows.moc"
