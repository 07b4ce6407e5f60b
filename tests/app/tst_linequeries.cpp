// Rows of the text box worked out without laying the text out, checked against
// the rows the box really shows, and kept current through edits and resizes.
#include "support/sampletext.h"
#include "toolkit/rowcounter.h"
#include "toolkit/rowtree.h"
#include "toolkit/textbox.h"
#include "toolkit/wraprows.h"

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
std::vector<int> shownRowStarts(TextBox &box)
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

class LineQueriesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { delete m_box; }

    void wrapRules_data();
    void wrapRules();
    void measureBlock_data();
    void measureBlock();
    void rowTreeFollowsEdits();
    void arithmeticRowsMatchTheBox_data();
    void arithmeticRowsMatchTheBox();
    void queriesMatchTheBoxThroughEdits();
    void widthAndFontChangesRecount();

private:
    void setWidth(int pixels);
    std::vector<int> testedWidths();
    void compareWithBox();

    TextBox *m_box = nullptr;
};

void LineQueriesTest::init()
{
    m_box = new TextBox;
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

void LineQueriesTest::wrapRules_data()
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

void LineQueriesTest::wrapRules()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    const SyntheticWidths w;
    const std::vector<quint8> breaks = w.breaks(text);
    std::vector<int> starts;
    wrapRows(text, w.table.data(), breaks.data(), RowMetrics{width, 208}, starts);
    QTEST(starts, "starts");
}

void LineQueriesTest::measureBlock_data()
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

void LineQueriesTest::measureBlock()
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

void LineQueriesTest::rowTreeFollowsEdits()
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
        QCOMPARE(tree.uncountedBlocks().size(), size_t(tree.uncounted()));
        for (int b : tree.uncountedBlocks()) {
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
