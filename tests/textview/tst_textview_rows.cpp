// The text view's row figures against the rows of every paragraph wrapped from
// scratch, at several widths, after edits and after a change of width.
#include "viewtest.h"

#include "support/sampletext.h"
#include "textview/shownchars.h"
#include "textview/viewlayout.h"
#include "textview/widthtable.h"

#include <QFontMetricsF>
#include <QRandomGenerator>
#include <QTextBoundaryFinder>

using namespace wimblet;
using namespace wimblet::viewtest;

namespace {

// Row starts of the whole text, each paragraph wrapped on its own with wrapRows.
std::vector<qint64> naiveRowStarts(const QString &text, const WrapSetup &setup)
{
    std::vector<qint64> starts;
    qint64 from = 0;
    for (;;) {
        qsizetype end = text.indexOf(QLatin1String("\r\n"), from);
        const bool last = end < 0;
        if (last)
            end = text.size();
        QString paragraph = text.mid(from, end - from);
        applyStandIns(paragraph, QChar(), QChar());
        std::vector<quint8> breaks(size_t(paragraph.size()) + 1, 0);
        QTextBoundaryFinder finder(QTextBoundaryFinder::Line, paragraph);
        for (qsizetype p = finder.toNextBoundary(); p >= 0; p = finder.toNextBoundary())
            breaks[size_t(p)] = 1;
        std::vector<int> rows;
        wrapRows(paragraph, setup.widths, breaks.data(), setup.metrics, rows);
        for (int r : rows)
            starts.push_back(from + r);
        if (last)
            return starts;
        from = end + 2;
    }
}

QString sampleWithLongParagraph()
{
    QString text = testsupport::sampleText(24 * 1024, 7);
    // One paragraph long enough to keep its own row starts, lone breaks inside.
    QString longOne
        = testsupport::sampleText(12 * 1024, 8).replace(QLatin1String("\r\n"), QLatin1String(" "));
    longOne.replace(500, 1, QLatin1String("\n"));
    longOne.replace(900, 1, QLatin1String("\r"));
    return text.left(9000) + QLatin1String("\r\n") + longOne + QLatin1String("\r\n") + text.mid(9000);
}

} // namespace

class TextViewRowsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        delete m_view;
        m_view = nullptr;
    }

    void rowsMatchTheWholeTextWrapped_data();
    void rowsMatchTheWholeTextWrapped();
    void rowsFollowEdits_data();
    void rowsFollowEdits();
    void rowsSurviveRandomEditsAndUndo_data();
    void rowsSurviveRandomEditsAndUndo();
    void everyRowFitsItsWidthWhenDrawn_data();
    void everyRowFitsItsWidthWhenDrawn();
    void wideCharacterRowsAreAsFullAsDrawn_data();
    void wideCharacterRowsAreAsFullAsDrawn();
    void topRowKeepsItsTextAcrossResize();

private:
    void compareWithNaive(const char *when);

    TextView *m_view = nullptr;
};

void TextViewRowsTest::compareWithNaive(const char *when)
{
    WidthTable widths(m_view->font());
    const QString text = m_view->text();
    widths.seeText(text);
    const WrapSetup setup = widths.setup(m_view->rowWidth(), m_view->tabStop());
    const std::vector<qint64> starts = naiveRowStarts(text, setup);
    QVERIFY2(qint64(starts.size()) == m_view->rowCount(), when);
    for (size_t row = 0; row < starts.size(); ++row) {
        QVERIFY2(m_view->rowStart(qint64(row)) == starts[row], when);
        QVERIFY2(m_view->rowOfOffset(starts[row]) == qint64(row), when);
    }
    QCOMPARE(m_view->rowStart(qint64(starts.size())), qint64(text.size()));
}

void TextViewRowsTest::rowsMatchTheWholeTextWrapped_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    const QString sample = sampleWithLongParagraph();
    for (int width : {120, 260, 333, 700}) {
        QTest::addRow("sample at %d px", width) << sample << width;
        QTest::addRow("tabs and blanks at %d px", width)
            << QStringLiteral("a\tbb\tccc\t\tx    y").repeated(40) << width;
    }
    QTest::newRow("empty") << QString() << 300;
    QTest::newRow("only breaks") << QStringLiteral("\r\n\r\n\n\r") << 300;
    QTest::newRow("blanks wider than a row") << QString(500, u' ') + QStringLiteral("x") << 200;
    QTest::newRow("one long word") << QString(3000, u'w') << 200;
    // The store keeps a long text in pieces: some CR LFs fall across their seams.
    QTest::newRow("CR LF across pieces") << QStringLiteral("ab\r\n").repeated(2000) << 300;
    QTest::newRow("CR LF across pieces, odd") << QStringLiteral("abc\r\n").repeated(2000) << 300;
}

void TextViewRowsTest::rowsMatchTheWholeTextWrapped()
{
    QFETCH(QString, text);
    QFETCH(int, width);

    m_view = shownView(width);
    m_view->setText(text);
    compareWithNaive("after setText");
}

void TextViewRowsTest::rowsFollowEdits_data()
{
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<qint64>("removed");
    QTest::addColumn<QString>("inserted");
    QTest::newRow("typing in the long paragraph") << 9300ll << 0ll << "some more words ";
    QTest::newRow("joining two paragraphs") << 8999ll << 4ll << "";
    QTest::newRow("breaking a paragraph") << 120ll << 0ll << "\r\n";
    QTest::newRow("a lone CR before a break") << 8999ll << 0ll << "\r";
    QTest::newRow("a pasted stretch with breaks") << 400ll << 300ll << "one\r\ntwo\nthree\r\n";
}

void TextViewRowsTest::rowsFollowEdits()
{
    QFETCH(qint64, offset);
    QFETCH(qint64, removed);
    QFETCH(QString, inserted);

    m_view = shownView(333);
    m_view->setText(sampleWithLongParagraph());
    // Counted before the edit, so that the edit takes the path that keeps the rows.
    QVERIFY(m_view->rowCount() > 0);
    m_view->replaceRange(offset, removed, inserted);
    compareWithNaive("after the edit");
    m_view->undo();
    compareWithNaive("after undo");
    m_view->resize(517, 300);
    compareWithNaive("after a resize");
}

void TextViewRowsTest::rowsSurviveRandomEditsAndUndo_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("width");
    QTest::newRow("seed 1, narrow") << 1u << 150;
    QTest::newRow("seed 2, wide") << 2u << 500;
    QTest::newRow("seed 3") << 3u << 260;
}

void TextViewRowsTest::rowsSurviveRandomEditsAndUndo()
{
    QFETCH(quint32, seed);
    QFETCH(int, width);

    // Lone CRs and LFs meeting and parting make and unmake line breaks and stand-ins.
    static const QString pieces[] = {"\r", "\n", "\r\n", " ", "word", "\t", "xx yy", "\u2028"};
    QRandomGenerator rng(seed);
    m_view = shownView(width);
    const QString original = testsupport::sampleText(6 * 1024, seed).left(6000);
    m_view->setText(original);
    QString model = original;
    for (int i = 0; i < 120; ++i) {
        const qint64 at = rng.bounded(int(model.size()) + 1);
        const qint64 removed = std::min<qint64>(rng.bounded(4) ? 0 : rng.bounded(30), model.size() - at);
        QString inserted;
        for (int n = rng.bounded(4); n > 0; --n)
            inserted += pieces[rng.bounded(int(std::size(pieces)))];
        m_view->replaceRange(at, removed, inserted);
        model.replace(at, removed, inserted);
        if (i % 30 == 29)
            compareWithNaive("after random edits");
    }
    QCOMPARE(m_view->text(), model);
    while (m_view->canUndo())
        m_view->undo();
    QCOMPARE(m_view->text(), original);
    compareWithNaive("after undoing them all");
}

void TextViewRowsTest::everyRowFitsItsWidthWhenDrawn_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("text");
    const QString mixed
        = QString::fromUtf16(u"Caf\u00e9 \u00fcber \u03b1\u03b2\u03b3 \u0436\u0443\u043a "
                             u"\u2013 \u20ac12,50\tx \u00bd\n\u2028 ")
              .repeated(60);
    for (const char *family : {"DejaVu Sans Mono", "DejaVu Sans"}) {
        QTest::addRow("%s, sample", family)
            << QString::fromLatin1(family) << testsupport::sampleText(8 * 1024, 5);
        QTest::addRow("%s, accents and scripts", family) << QString::fromLatin1(family) << mixed;
    }
}

void TextViewRowsTest::everyRowFitsItsWidthWhenDrawn()
{
    QFETCH(QString, family);
    QFETCH(QString, text);

    // The widths the rows are cut by must be those the layout draws with.
    QFont font(family);
    font.setPixelSize(13);
    const TextStore store(text);
    ViewLayout layout(store);
    layout.setFont(font);
    layout.setLineWidth(301);
    layout.reset(store);
    layout.finishCounting();
    QVERIFY(layout.rowCount() > 20);
    for (qint64 i = 0; i < layout.rowCount(); ++i) {
        const ViewRow row = layout.row(i);
        qint64 end = row.end;
        while (end > row.start && (store.at(end - 1) == u' ' || store.at(end - 1) == u'\t'))
            --end; // blanks may hang past the edge
        if (layout.xOf(row, end) > layout.lineWidth() + 0.5)
            QFAIL(qPrintable(QStringLiteral("row %1 \"%2\" is %3 px wide")
                                 .arg(i)
                                 .arg(store.text(row.start, row.end - row.start))
                                 .arg(layout.xOf(row, end))));
    }
}

void TextViewRowsTest::wideCharacterRowsAreAsFullAsDrawn_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("ideographs") << QString::fromUtf16(u"\u6587\u5b57\u7de8\u96c6\u6f22").repeated(40);
    QTest::newRow("hangul") << QString::fromUtf16(u"\ud55c\uad6d\uc5b4").repeated(60);
    QTest::newRow("hiragana") << QString::fromUtf16(u"\u3072\u3089\u304c\u306a").repeated(50);
}

void TextViewRowsTest::wideCharacterRowsAreAsFullAsDrawn()
{
    QFETCH(QString, text);

    // Wide characters are cut into rows by the advance they are drawn with, whichever
    // font draws them: a wrapped row has no room left for its next character.
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(13);
    const TextStore store(text);
    ViewLayout layout(store);
    layout.setFont(font);
    layout.setLineWidth(301);
    layout.reset(store);
    layout.finishCounting();
    QVERIFY(layout.rowCount() > 2);
    const QFontMetricsF metrics(font);
    for (qint64 i = 0; i + 1 < layout.rowCount(); ++i) {
        const ViewRow row = layout.row(i);
        const QString withNext = store.text(row.start, row.end - row.start + 1);
        QVERIFY2(metrics.horizontalAdvance(withNext) > layout.lineWidth(),
                 qPrintable(QStringLiteral("row %1 has room for more").arg(i)));
    }
}

void TextViewRowsTest::topRowKeepsItsTextAcrossResize()
{
    m_view = shownView(333);
    m_view->setText(sampleWithLongParagraph());
    m_view->setCaret(m_view->rowStart(200));
    QTest::keyClick(m_view, Qt::Key_PageDown);
    const qint64 top = m_view->rowStart(m_view->topRow());
    QVERIFY(top > 0);
    m_view->resize(600, 300);
    const qint64 newTop = m_view->rowStart(m_view->topRow());
    // The row now at the top holds the offset that started the old top row.
    QVERIFY(newTop <= top);
    QVERIFY(m_view->rowStart(m_view->topRow() + 1) > top);
}

QTEST_MAIN(TextViewRowsTest)
#include "tst_textview_rows.moc"
