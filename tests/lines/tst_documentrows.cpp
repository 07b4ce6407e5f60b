// Wrapped rows of a whole document across edits that make and unmake line breaks:
// totals, the row of an offset and the offset of a row agree with wrapping every
// paragraph from scratch, and a new width is counted again a slice at a time.
#include "lines/documentrows.h"
#include "wraporacle.h"

#include <QTest>

#include <cmath>

using namespace wimblet;
using namespace wimblet::wraptest;

Q_DECLARE_METATYPE(wimblet::wraptest::Kind)

namespace {

// Every row of the document wrapped from scratch, as offsets into the text.
struct NaiveRows
{
    std::vector<qint64> starts;
    std::vector<qint64> paragraphStarts;
    std::vector<qint64> paragraphLengths;

    NaiveRows(const QString &text, const WrapSetup &setup)
    {
        qint64 from = 0;
        for (;;) {
            const qint64 cut = text.indexOf(QLatin1String("\r\n"), from);
            const qint64 end = cut < 0 ? text.size() : cut;
            paragraphStarts.push_back(from);
            paragraphLengths.push_back(end - from);
            for (qint64 s : rowsFromScratch(QStringView(text).mid(from, end - from), setup))
                starts.push_back(from + s);
            if (cut < 0)
                break;
            from = cut + 2;
        }
    }

    qint64 rowOfOffset(qint64 offset) const
    {
        const auto p = std::upper_bound(paragraphStarts.begin(), paragraphStarts.end(), offset)
                       - paragraphStarts.begin() - 1;
        const qint64 column = std::min(offset - paragraphStarts[size_t(p)], paragraphLengths[size_t(p)]);
        const qint64 at = paragraphStarts[size_t(p)] + column;
        return std::upper_bound(starts.begin(), starts.end(), at) - starts.begin() - 1;
    }
};

// A document of sample prose with two paragraphs long enough to keep their rows.
QString sampleDocument(quint32 seed)
{
    QString text = testsupport::sampleText(16000, seed);
    text.chop(2); // the final line break is the file's, not the text's
    const qint64 middle = text.indexOf(QLatin1String("\r\n"), text.size() / 2) + 2;
    text.insert(middle, paragraphOf(Kind::Prose, 9000, seed) + QLatin1String("\r\n"));
    return text + QLatin1String("\r\n") + paragraphOf(Kind::NoSpaces, 6000, seed + 1);
}

void compareWithNaive(DocumentRows &rows, const QString &text, const WrapSetup &setup)
{
    const NaiveRows naive(text, setup);
    QVERIFY(rows.exact());
    QCOMPARE(rows.length(), qint64(text.size()));
    QCOMPARE(rows.paragraphCount(), int(naive.paragraphStarts.size()));
    QCOMPARE(rows.totalRows(), qint64(naive.starts.size()));
    for (size_t r = 0; r < naive.starts.size(); ++r)
        QCOMPARE(rows.rowStartOffset(qint64(r)), naive.starts[r]);
    QCOMPARE(rows.rowStartOffset(qint64(naive.starts.size())), qint64(-1));
    for (qint64 offset = 0; offset <= text.size(); offset += 1 + offset % 37)
        QCOMPARE(rows.rowOfOffset(offset), naive.rowOfOffset(offset));
    for (qint64 s : naive.starts) { // both sides of every wrap point
        QCOMPARE(rows.rowOfOffset(s), naive.rowOfOffset(s));
        if (s > 0)
            QCOMPARE(rows.rowOfOffset(s - 1), naive.rowOfOffset(s - 1));
    }
}

// Counts what edits left stale, a slice at a time.
void countAll(DocumentRows &rows)
{
    while (rows.recountSome(3000)) { }
}

} // namespace

class DocumentRowsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rowsMatchWrappingFromScratchAfterEveryEdit_data();
    void rowsMatchWrappingFromScratchAfterEveryEdit();
    void editsOfLineBreaksMatchWrappingFromScratch_data();
    void editsOfLineBreaksMatchWrappingFromScratch();
    void editsOfLongParagraphsReadOnlyTextNearThem_data();
    void editsOfLongParagraphsReadOnlyTextNearThem();
    void aNewWidthIsCountedASliceAtATime_data();
    void aNewWidthIsCountedASliceAtATime();
    void aWholeTextReplacedLeavesMostRowsToTheSlices();
    void aLongParagraphIsCountedInSlicesThatStopInsideIt_data();
    void aLongParagraphIsCountedInSlicesThatStopInsideIt();
    void rowsNearAnOffsetAreCountedWithoutTheRestOfTheParagraph();
    void aKeyInAStaleLongParagraphWrapsOnlyASlice();
    void keysAtTheStartOfARepetitiveParagraphLeaveTheRestToTheSlices_data();
    void keysAtTheStartOfARepetitiveParagraphLeaveTheRestToTheSlices();
};

void DocumentRowsTest::rowsMatchWrappingFromScratchAfterEveryEdit_data()
{
    QTest::addColumn<qint64>("lineWidth");
    QTest::addColumn<quint32>("seed");
    QTest::newRow("window width") << qint64(2400) << 51u;
    QTest::newRow("narrow") << qint64(500) << 52u;
}

void DocumentRowsTest::rowsMatchWrappingFromScratchAfterEveryEdit()
{
    QFETCH(qint64, lineWidth);
    QFETCH(quint32, seed);
    WrapSetup setup = setupFor(lineWidth);
    QString text = sampleDocument(seed);
    DocumentRows rows(setup, sourceOf(text));
    rows.reset(text.size());
    countAll(rows);
    compareWithNaive(rows, text, setup);
    QRandomGenerator rng(seed);
    for (int step = 0; step < 240; ++step) {
        if (step % 30 == 10) { // a new width, and edits before it is all counted
            setup = setupFor(step % 60 == 10 ? lineWidth * 2 / 3 : lineWidth);
            rows.setLayout(setup);
        }
        const Edit e = randomEdit(rng, text.size(), true, true);
        text.replace(e.offset, e.removed, e.inserted);
        rows.edit(e.offset, e.removed, e.inserted.size());
        QCOMPARE(rows.brokenInvariant(), QString());
        // Now and then the next edits find rows partly counted.
        if (step % 3 != 2) {
            rows.recountSome(1 + (step % 5) * 900);
            QCOMPARE(rows.brokenInvariant(), QString());
            continue;
        }
        countAll(rows);
        QCOMPARE(rows.brokenInvariant(), QString());
        compareWithNaive(rows, text, setup);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QStringLiteral("step %1: %2 removed and %3 inserted at %4")
                                 .arg(step)
                                 .arg(e.removed)
                                 .arg(e.inserted.size())
                                 .arg(e.offset)));
    }
}

void DocumentRowsTest::editsOfLineBreaksMatchWrappingFromScratch_data()
{
    // The document: a long paragraph, a short one holding a lone CR, a long one.
    // Offsets past 10000 fall in the short one, 9000 is inside the first.
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<qint64>("removed");
    QTest::addColumn<QString>("inserted");
    QTest::newRow("join two paragraphs") << qint64(10000) << qint64(2) << "";
    QTest::newRow("join a short paragraph to a long one") << qint64(10011) << qint64(2) << "";
    QTest::newRow("join two long paragraphs") << qint64(10000) << qint64(13) << "";
    QTest::newRow("join two long ones over new text") << qint64(9000) << qint64(2000) << "a b";
    QTest::newRow("line break in a long paragraph") << qint64(5000) << qint64(0) << "\r\n";
    QTest::newRow("line breaks around a paste") << qint64(5000) << qint64(0) << "\r\nab\r\n";
    QTest::newRow("line break for a word") << qint64(5000) << qint64(6) << "\r\n";
    QTest::newRow("line break after a lone CR") << qint64(10008) << qint64(0) << "\r\n";
    QTest::newRow("only the LF of a break") << qint64(10001) << qint64(1) << "";
    QTest::newRow("only the CR of a break") << qint64(10000) << qint64(1) << "";
    QTest::newRow("LF after a lone CR") << qint64(10008) << qint64(0) << "\n";
    QTest::newRow("CR before a lone LF") << qint64(10009) << qint64(0) << "\r";
    QTest::newRow("letter inside a break") << qint64(10001) << qint64(0) << "x";
    QTest::newRow("across three paragraphs") << qint64(9990) << qint64(40) << "joined";
    QTest::newRow("the whole document") << qint64(0) << qint64(-1) << "";
    QTest::newRow("everything but a break") << qint64(0) << qint64(-1) << "\r\n";
    QTest::newRow("type at the very end") << qint64(-1) << qint64(0) << "z";
}

void DocumentRowsTest::editsOfLineBreaksMatchWrappingFromScratch()
{
    QFETCH(qint64, offset);
    QFETCH(qint64, removed);
    QFETCH(QString, inserted);
    const WrapSetup setup = setupFor(1300);
    QString text = paragraphOf(Kind::Prose, 10000, 61) + QLatin1String("\r\nshort\rx\ny\r\n")
                   + paragraphOf(Kind::Tabs, 7000, 62);
    DocumentRows rows(setup, sourceOf(text));
    rows.reset(text.size());
    countAll(rows);
    if (offset < 0)
        offset = text.size();
    if (removed < 0)
        removed = text.size() - offset;
    text.replace(offset, removed, inserted);
    rows.edit(offset, removed, inserted.size());
    QCOMPARE(rows.brokenInvariant(), QString());
    countAll(rows);
    compareWithNaive(rows, text, setup);
}

void DocumentRowsTest::editsOfLongParagraphsReadOnlyTextNearThem_data()
{
    // Two paragraphs of 200000 characters; the second starts at 200002.
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<qint64>("removed");
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<qint64>("most"); // characters read
    QTest::newRow("a key") << qint64(100000) << qint64(0) << "x" << qint64(4000);
    QTest::newRow("joined") << qint64(200000) << qint64(2) << "" << qint64(4000);
    QTest::newRow("joined over new text") << qint64(199990) << qint64(20) << "a b" << qint64(4000);
    // The rows after a new line break start elsewhere than the old ones did, until
    // a row ends where an old one ended: some dozens of rows of prose.
    QTest::newRow("a line break") << qint64(100000) << qint64(0) << "\r\n" << qint64(20000);
    QTest::newRow("text around a line break")
        << qint64(100000) << qint64(3) << "ab\r\ncd" << qint64(20000);
}

void DocumentRowsTest::editsOfLongParagraphsReadOnlyTextNearThem()
{
    QFETCH(qint64, offset);
    QFETCH(qint64, removed);
    QFETCH(QString, inserted);
    QFETCH(qint64, most);
    const WrapSetup setup = setupFor(2400);
    QString text = paragraphOf(Kind::Prose, 200000, 81) + QLatin1String("\r\n")
                   + paragraphOf(Kind::Prose, 200000, 82);
    qint64 read = 0;
    DocumentRows rows(setup, [&](qint64 from, qint64 count) {
        read += count;
        return text.mid(from, count);
    });
    rows.reset(text.size());
    countAll(rows);
    text.replace(offset, removed, inserted);
    read = 0;
    rows.edit(offset, removed, inserted.size());
    QVERIFY2(read <= most, qPrintable(QString::number(read)));
    countAll(rows);
    compareWithNaive(rows, text, setup);
}

void DocumentRowsTest::aNewWidthIsCountedASliceAtATime_data()
{
    QTest::addColumn<qint64>("before");
    QTest::addColumn<qint64>("after");
    QTest::newRow("narrower") << qint64(2400) << qint64(900);
    QTest::newRow("wider") << qint64(900) << qint64(3000);
}

void DocumentRowsTest::aNewWidthIsCountedASliceAtATime()
{
    QFETCH(qint64, before);
    QFETCH(qint64, after);
    const QString text = sampleDocument(71);
    DocumentRows rows(setupFor(before), sourceOf(text));
    rows.reset(text.size());
    countAll(rows);
    rows.setLayout(setupFor(after));
    QVERIFY(!rows.exact());
    // The paragraphs in view are counted first, exactly, on demand.
    const NaiveRows naive(text, setupFor(after));
    const qint64 from = naive.paragraphStarts[3];
    const qint64 to = naive.paragraphStarts[7] + 2;
    rows.countRegion(from, to);
    QCOMPARE(rows.rowOfOffset(to) - rows.rowOfOffset(from),
             naive.rowOfOffset(to) - naive.rowOfOffset(from));
    int slices = 0;
    while (rows.recountSome(2000))
        ++slices;
    QVERIFY(slices >= int(text.size() / 2000) - 2);
    compareWithNaive(rows, text, setupFor(after));
}

void DocumentRowsTest::aWholeTextReplacedLeavesMostRowsToTheSlices()
{
    QString text = sampleDocument(73);
    DocumentRows rows(setupFor(2400), sourceOf(text));
    rows.reset(text.size());
    countAll(rows);
    // A style conversion: every paragraph made anew by one edit.
    const qint64 removed = text.size();
    text = text.toUpper() + text;
    rows.edit(0, removed, text.size());
    QVERIFY(!rows.exact());
    // Rows near the start are known at once, the rest after the slices.
    const NaiveRows naive(text, setupFor(2400));
    QCOMPARE(rows.rowOfOffset(200), naive.rowOfOffset(200));
    countAll(rows);
    compareWithNaive(rows, text, setupFor(2400));
}

// A long paragraph between short ones, counted from scratch at a new width.
struct SlicedDocument
{
    QString text = testsupport::sampleText(3000, 91) + paragraphOf(Kind::Prose, 300000, 92)
                   + QLatin1String("\r\n") + testsupport::sampleText(3000, 93);
    qint64 read = 0;
    DocumentRows rows {setupFor(2400), [this](qint64 from, qint64 count) {
                           read += count;
                           return text.mid(from, count);
                       }};
};

void DocumentRowsTest::aLongParagraphIsCountedInSlicesThatStopInsideIt_data()
{
    QTest::addColumn<qint64>("width");
    QTest::addColumn<qint64>("slice");
    QTest::newRow("narrower, small slices") << qint64(900) << qint64(5000);
    QTest::newRow("narrower, large slices") << qint64(900) << qint64(60000);
    QTest::newRow("wider") << qint64(3000) << qint64(20000);
}

void DocumentRowsTest::aLongParagraphIsCountedInSlicesThatStopInsideIt()
{
    QFETCH(qint64, width);
    QFETCH(qint64, slice);
    SlicedDocument doc;
    doc.rows.reset(doc.text.size());
    countAll(doc.rows);
    doc.rows.setLayout(setupFor(width));
    const NaiveRows naive(doc.text, setupFor(width));
    const double rowsThere = double(naive.starts.size());
    QCOMPARE(doc.rows.uncountedCharacters(), doc.rows.length() - 2 * (doc.rows.paragraphCount() - 1));
    qint64 left = doc.rows.uncountedCharacters();
    for (bool more = true; more;) {
        doc.read = 0;
        more = doc.rows.recountSome(slice);
        // A slice reads what it counts and the windows around it, never the paragraph.
        QVERIFY2(doc.read <= 2 * slice + 70000, qPrintable(QString::number(doc.read)));
        const qint64 now = doc.rows.uncountedCharacters();
        QVERIFY(now < left || !more);
        left = now;
        const double estimate = double(doc.rows.estimatedTotalRows());
        QVERIFY2(std::abs(estimate - rowsThere) <= 0.1 * rowsThere,
                 qPrintable(QStringLiteral("%1 of %2").arg(estimate).arg(rowsThere)));
        // Rows of offsets: exact where the rows up to them are known, close elsewhere,
        // and never going back.
        qint64 previous = 0;
        for (qint64 offset = 0; offset <= doc.text.size(); offset += 9973) {
            const qint64 row = doc.rows.estimatedRowOfOffset(offset);
            QVERIFY(row >= previous);
            previous = row;
            const double truth = double(naive.rowOfOffset(offset));
            if (offset < doc.text.size() - left)
                QCOMPARE(double(row), truth);
            else
                QVERIFY2(std::abs(double(row) - truth) <= 0.1 * rowsThere,
                         qPrintable(QStringLiteral("%1 for %2").arg(row).arg(truth)));
        }
    }
    QCOMPARE(doc.rows.uncountedCharacters(), qint64(0));
    QCOMPARE(doc.rows.estimatedTotalRows(), doc.rows.totalRows());
    compareWithNaive(doc.rows, doc.text, setupFor(width));
}

void DocumentRowsTest::rowsNearAnOffsetAreCountedWithoutTheRestOfTheParagraph()
{
    SlicedDocument doc;
    doc.rows.reset(doc.text.size());
    countAll(doc.rows);
    const WrapSetup setup = setupFor(1100);
    doc.rows.setLayout(setup);
    const NaiveRows naive(doc.text, setup);
    const auto longest = std::max_element(naive.paragraphLengths.begin(), naive.paragraphLengths.end());
    const qint64 start = naive.paragraphStarts[size_t(longest - naive.paragraphLengths.begin())];
    const qint64 from = start + 100000, to = from + 3000;
    // In slices of the budget, the rows up to the region are counted from the paragraph's start.
    int slices = 1;
    doc.read = 0;
    while (!doc.rows.countRegion(from, to, 20000)) {
        QVERIFY2(doc.read <= 40000 + 70000, qPrintable(QString::number(doc.read)));
        doc.read = 0;
        ++slices;
    }
    QVERIFY2(slices >= 5, qPrintable(QString::number(slices)));
    QVERIFY(!doc.rows.exact());
    QVERIFY(doc.rows.uncountedCharacters() > 150000);
    // Rows within the paragraph are exact; the rest of it is still to be counted.
    const qint64 first = doc.rows.rowOfOffset(start);
    for (qint64 offset = from; offset <= to; offset += 97)
        QCOMPARE(doc.rows.rowOfOffset(offset) - first,
                 naive.rowOfOffset(offset) - naive.rowOfOffset(start));
    QVERIFY(doc.rows.uncountedCharacters() > 150000);
    countAll(doc.rows);
    compareWithNaive(doc.rows, doc.text, setup);
}

void DocumentRowsTest::aKeyInAStaleLongParagraphWrapsOnlyASlice()
{
    SlicedDocument doc;
    doc.rows.reset(doc.text.size());
    countAll(doc.rows);
    doc.rows.setLayout(setupFor(1700));
    const qint64 offset = doc.text.size() / 2;
    doc.text.insert(offset, u'x');
    doc.read = 0;
    doc.rows.edit(offset, 0, 1);
    QVERIFY2(doc.read <= 40000, qPrintable(QString::number(doc.read)));
    QVERIFY(!doc.rows.exact());
    countAll(doc.rows);
    compareWithNaive(doc.rows, doc.text, setupFor(1700));
}

void DocumentRowsTest::keysAtTheStartOfARepetitiveParagraphLeaveTheRestToTheSlices_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("repeated words") << Kind::Repeated;
    QTest::newRow("repeated numbers") << Kind::RepeatedNumbers;
}

void DocumentRowsTest::keysAtTheStartOfARepetitiveParagraphLeaveTheRestToTheSlices()
{
    QFETCH(Kind, kind);
    const WrapSetup setup = setupFor(2400);
    QString text = QLatin1String("title\r\n") + paragraphOf(kind, 200000, 95);
    qint64 read = 0;
    DocumentRows rows(setup, [&](qint64 from, qint64 count) {
        read += count;
        return text.mid(from, count);
    });
    rows.reset(text.size());
    countAll(rows);
    int leftStale = 0;
    for (QChar c : QStringLiteral("ab1 c2 d3e f4 g5h i6 j7 k8l m9 n")) {
        text.insert(7, c);
        read = 0;
        rows.edit(7, 0, 1);
        QVERIFY2(read <= 6000, qPrintable(QString::number(read)));
        const qint64 naiveTotal = qint64(NaiveRows(text, setup).starts.size());
        // The old rows stand in for the unknown ones: the guess is all but exact.
        QVERIFY(std::abs(rows.estimatedTotalRows() - naiveTotal) <= 2);
        leftStale += rows.exact() ? 0 : 1;
        if (c.isDigit())
            countAll(rows); // the idle slices now and then between keys
    }
    QVERIFY(leftStale > 0); // some keys ran the rows out of step for good
    countAll(rows);
    compareWithNaive(rows, text, setup);
}

QTEST_GUILESS_MAIN(DocumentRowsTest)
#include "tst_documentrows.moc"
