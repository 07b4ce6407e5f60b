// Rows of the text box worked out without laying the text out, checked against
// the rows the box really shows, and kept current through edits and resizes.
#include "support/sampletext.h"
#include "support/rowcounter.h"
#include "lines/rowtree.h"
#include "support/plaintextbox.h"
#include "lines/wraprows.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QScrollBar>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>

#include <cmath>

using namespace wimblet;

namespace {

QString randomText(quint32 seed, const QString &alphabet, int lines, int longest)
{
    QRandomGenerator rng(seed);
    QString text;
    for (int l = 0; l < lines; ++l) {
        const int n = int(rng.bounded(longest + 1));
        for (int i = 0; i < n; ++i)
            text += alphabet[int(rng.bounded(int(alphabet.size())))];
        text += QStringLiteral("\r\n");
    }
    return text;
}

QFont boxFont()
{
    QFont font(QStringLiteral("Lucida Console"));
    font.setFamilies({QStringLiteral("Lucida Console"), QStringLiteral("DejaVu Sans Mono"),
                      QStringLiteral("monospace")});
    font.setStyleHint(QFont::Monospace);
    font.setPointSizeF(9.75);
    return font;
}

// Every displayed row as the CR LF offset of its first character, from the box's layout.
std::vector<int> shownRowStarts(PlainTextBox &box)
{
    std::vector<int> rows;
    for (QTextBlock b = box.document()->begin(); b.isValid(); b = b.next()) {
        std::vector<int> starts;
        RowCounter::laidOutRowStarts(b, starts);
        for (int s : starts)
            rows.push_back(b.position() + b.blockNumber() + s);
    }
    return rows;
}

} // namespace

class LineQueriesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { delete m_box; }

    void arithmeticRowsMatchTheBox_data();
    void arithmeticRowsMatchTheBox();
    void queriesMatchTheBoxThroughEdits();
    void widthAndFontChangesRecount();

private:
    void setWidth(int pixels);
    std::vector<int> testedWidths();
    void compareWithBox();

    PlainTextBox *m_box = nullptr;
};

void LineQueriesTest::init()
{
    m_box = new PlainTextBox;
    m_box->setFont(boxFont());
    m_box->resize(681, 300);
    m_box->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_box));
}

void LineQueriesTest::setWidth(int pixels)
{
    m_box->resize(pixels, 300);
    QCoreApplication::processEvents();
}

void LineQueriesTest::arithmeticRowsMatchTheBox_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("leastShare"); // per cent of blocks worked out arithmetically
    const QString ascii =
        QStringLiteral("abcdefghij KLMNOP    -/.,;:!?()[]{}\"'%$#@&*+=<>|~_^`\t0189");
    const QString wider = ascii + QString::fromUtf8("é©”⟨⟩ñαβжЖ¶€£§«»¿¡–—‘’“…•");
    const QString mixed =
        wider + QString::fromUtf8("\u00a0\u00ad\u0301\u4e00\U0001F600\u05d0\n\r");
    // Stand-ins shown for separators carry a format of their own.
    const QString standIns = ascii + QString::fromUtf16(u"\u2029\ufffd");
    QTest::newRow("sample") << testsupport::sampleText() << 90;
    QTest::newRow("ascii punctuation") << randomText(1, ascii, 400, 300) << 90;
    QTest::newRow("latin greek cyrillic") << randomText(2, wider, 400, 300) << 90;
    QTest::newRow("marks, cjk, rtl") << randomText(3, mixed, 200, 120) << 0;
    QTest::newRow("blocks past 4096") << randomText(4, ascii, 6, 12000) << 50;
    QTest::newRow("stand-ins") << randomText(6, standIns, 300, 200) << 80;
    QTest::newRow("blank runs") << randomText(5, QStringLiteral("ab      \t"), 300, 200) << 50;
}

// A spread of box widths, and widths whose rows hold a whole number of characters
// exactly, where a row that fits to the last 1/64 pixel must not wrap.
std::vector<int> LineQueriesTest::testedWidths()
{
    std::vector<int> widths = {40, 97, 181, 262, 343, 500, 681, 919};
    const int frame = m_box->width() - m_box->viewport()->width();
    const qreal margin = 2 * m_box->document()->documentMargin();
    const qreal advance = QFontMetricsF(m_box->font()).horizontalAdvance(u'a');
    for (int chars = 1; chars <= 120; ++chars) {
        const qreal room = chars * advance;
        if (room == std::floor(room) && room >= 100)
            widths.push_back(int(room + margin) + frame);
    }
    return widths;
}

void LineQueriesTest::arithmeticRowsMatchTheBox()
{
    QFETCH(QString, text);
    QFETCH(int, leastShare);
    QVERIFY(!text.isEmpty());
    m_box->setText(text);
    int blocks = 0, arithmetic = 0;
    for (int width : testedWidths()) {
        setWidth(width);
        RowCounter counter(m_box);
        counter.refreshSettings(m_box->document()->firstBlock());
        std::vector<int> fast, shown;
        for (QTextBlock b = m_box->document()->begin(); b.isValid(); b = b.next()) {
            ++blocks;
            if (!counter.arithmeticRowStarts(b.text(), fast))
                continue;
            ++arithmetic;
            RowCounter::laidOutRowStarts(b, shown);
            if (fast != shown)
                QFAIL(qPrintable(QStringLiteral("width %1, block %2 \"%3\"")
                                     .arg(width)
                                     .arg(b.blockNumber())
                                     .arg(b.text().left(120))));
        }
    }
    QVERIFY2(arithmetic * 100 >= blocks * leastShare,
             qPrintable(QStringLiteral("%1 of %2").arg(arithmetic).arg(blocks)));
}

void LineQueriesTest::compareWithBox()
{
    const std::vector<int> rows = shownRowStarts(*m_box);
    const LineQueries &q = m_box->lines();
    QCOMPARE(q.lineCount(), std::optional<int>(int(rows.size())));
    QRandomGenerator rng(int(rows.size()));
    for (int k = 0; k < 60; ++k) {
        const int line = int(rng.bounded(int(rows.size())));
        QCOMPARE(q.lineIndex(line), std::optional<int>(rows[size_t(line)]));
        // Every offset from a row's start up to the next row's start lies on that
        // row, the two characters of a line break included.
        const int first = rows[size_t(line)];
        const int end = line + 1 < int(rows.size()) ? rows[size_t(line) + 1] : first + 1;
        const int offset = first + int(rng.bounded(std::max(1, end - first)));
        QCOMPARE(q.lineFromChar(offset), std::optional<int>(line));
    }
    QVERIFY(!q.lineIndex(int(rows.size())));
}

void LineQueriesTest::queriesMatchTheBoxThroughEdits()
{
    m_box->setText(testsupport::sampleText().left(30000));
    setWidth(400);
    compareWithBox();
    QRandomGenerator rng(11);
    const QStringList pieces = {QStringLiteral("x"), QStringLiteral(" "), QStringLiteral("\r\n"),
                                QStringLiteral("\t"), QString::fromUtf8("é ⟨kata⟩ \r\nbaris"),
                                QString(300, u'w'), QStringLiteral("\n")};
    for (int step = 0; step < 30; ++step) {
        QTextCursor cursor(m_box->document());
        const int length = m_box->document()->characterCount() - 1;
        cursor.setPosition(int(rng.bounded(length + 1)));
        if (step % 3 == 2)
            cursor.setPosition(std::min(length, cursor.position() + int(rng.bounded(400))),
                               QTextCursor::KeepAnchor);
        m_box->setTextCursor(cursor);
        if (step % 7 == 6)
            m_box->undo();
        else
            m_box->insertPlainText(pieces[int(rng.bounded(int(pieces.size())))]);
        compareWithBox();
    }
}

void LineQueriesTest::widthAndFontChangesRecount()
{
    m_box->setText(testsupport::sampleText().left(20000));
    compareWithBox();
    setWidth(230);
    compareWithBox();
    QFont larger = boxFont();
    larger.setPointSizeF(14);
    m_box->setFont(larger);
    QCoreApplication::processEvents();
    compareWithBox();
    m_box->setWordWrapMode(QTextOption::WrapAnywhere);
    compareWithBox();
}

QTEST_MAIN(LineQueriesTest)
#include "tst_linequeries.moc"
