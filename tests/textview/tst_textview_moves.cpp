// Caret moves in the text view: Up and Down keep their column, Home and End follow the
// displayed row, word moves, selecting with Shift and with the mouse.
#include "viewtest.h"

#include "textview/widthtable.h"

#include <QApplication>
#include <QClipboard>
#include <QStyleHints>

#include <cmath>

using namespace wimblet;
using namespace wimblet::viewtest;

class TextViewMovesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_view = shownView(); }
    void cleanup()
    {
        delete m_view;
        m_view = nullptr;
    }

    void upAndDownKeepTheColumn_data();
    void upAndDownKeepTheColumn();
    void homeAndEndFollowTheWrappedRow_data();
    void homeAndEndFollowTheWrappedRow();
    void wordMovesStopAtWordStarts_data();
    void wordMovesStopAtWordStarts();
    void shiftSelectionCopiesRealCharacters_data();
    void shiftSelectionCopiesRealCharacters();
    void clickPlacesTheCaretAndShiftClickExtends_data();
    void clickPlacesTheCaretAndShiftClickExtends();
    void doubleClickSelectsTheWord_data();
    void doubleClickSelectsTheWord();
    void draggingSelectsByUnit_data();
    void draggingSelectsByUnit();
    void dragPastTheEdgeScrollsFasterFurtherOut_data();
    void dragPastTheEdgeScrollsFasterFurtherOut();
    void caretStaysInViewWhileMoving();

private:
    // Where the caret is drawn for an offset: middle of its row, at its x.
    QPoint pointOf(qint64 offset);
    // A text of `words` copies of "abc " wrapped in the view: rows of whole words.
    QString wrappedWords(int words) const { return QStringLiteral("abc ").repeated(words); }

    TextView *m_view = nullptr;
};

QPoint TextViewMovesTest::pointOf(qint64 offset)
{
    // Monospace: every character of these texts is one cell wide.
    const qint64 row = m_view->rowOfOffset(offset);
    const WidthTable widths(m_view->font());
    const qreal cell = widths.charWidth() / 64.0;
    const qreal rowHeight = std::ceil(QFontMetricsF(m_view->font()).height());
    const qint64 column = offset - m_view->rowStart(row);
    const qreal x = 4 + column * cell + 1;
    const qreal y = 4 + (row - m_view->topRow() + 0.5) * rowHeight;
    return QPointF(x, y).toPoint();
}

void TextViewMovesTest::upAndDownKeepTheColumn_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("caret");
    QTest::addColumn<QString>("script");
    QTest::addColumn<qint64>("caretAfter");
    const QString shortMiddle = QStringLiteral("abcdefghij\r\nxy\r\nabcdefghij");
    QTest::newRow("down to a short line") << shortMiddle << 8ll << "v" << 14ll;
    QTest::newRow("down across a short line") << shortMiddle << 8ll << "vv" << 24ll;
    QTest::newRow("up across a short line") << shortMiddle << 24ll << "^^" << 8ll;
    QTest::newRow("across an empty line") << "abcdef\r\n\r\nabcdef" << 4ll << "vv" << 14ll;
    QTest::newRow("a move forgets the column") << shortMiddle << 8ll << "v<v" << 17ll;
    QTest::newRow("up from the first row goes to the start") << "abc\r\ndef" << 2ll << "^" << 0ll;
    QTest::newRow("down from the last row goes to the end") << "abc\r\ndef" << 6ll << "v" << 8ll;
}

void TextViewMovesTest::upAndDownKeepTheColumn()
{
    QFETCH(QString, text);
    QFETCH(qint64, caret);
    QFETCH(QString, script);
    QFETCH(qint64, caretAfter);

    m_view->setText(text);
    m_view->setCaret(caret);
    play(m_view, script);
    QCOMPARE(m_view->caret(), caretAfter);
}

void TextViewMovesTest::homeAndEndFollowTheWrappedRow_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("row"); // the caret's row
    QTest::addColumn<int>("atColumn"); // from the row's start; -1 is the wrap point before the row
    QTest::addColumn<int>("rowAfter");
    QTest::addColumn<int>("columnAfter"); // -1: before the blank hanging at the row's end
    QTest::newRow("End on the first row") << int(Qt::Key_End) << 0 << 2 << 0 << -1;
    QTest::newRow("End at a wrap point stays on that row") << int(Qt::Key_End) << 1 << 0 << 1 << -1;
    QTest::newRow("Home at a wrap point stays") << int(Qt::Key_Home) << 1 << 0 << 1 << 0;
    QTest::newRow("Home inside a row") << int(Qt::Key_Home) << 1 << 5 << 1 << 0;
    QTest::newRow("Home before the hanging blank") << int(Qt::Key_Home) << 0 << -1 << 0 << 0;
}

void TextViewMovesTest::homeAndEndFollowTheWrappedRow()
{
    QFETCH(int, key);
    QFETCH(int, row);
    QFETCH(int, atColumn);
    QFETCH(int, rowAfter);
    QFETCH(int, columnAfter);

    m_view->setText(wrappedWords(60));
    QVERIFY(m_view->rowCount() >= 3);
    const qint64 start = m_view->rowStart(row);
    const qint64 hangingBlank = m_view->rowStart(row + 1) - 1;
    m_view->setCaret(atColumn < 0 ? hangingBlank : start + atColumn);
    QTest::keyClick(m_view, Qt::Key(key));
    const qint64 expected = columnAfter < 0 ? m_view->rowStart(rowAfter + 1) - 1
                                            : m_view->rowStart(rowAfter) + columnAfter;
    QCOMPARE(m_view->caret(), expected);
    QCOMPARE(m_view->rowOfOffset(m_view->caret()), rowAfter);
    QCOMPARE(m_view->text().at(hangingBlank), QChar(u' '));
}

void TextViewMovesTest::wordMovesStopAtWordStarts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("caret");
    QTest::addColumn<int>("key");
    QTest::addColumn<QList<qint64>>("stops");
    const int right = Qt::Key_Right;
    const int left = Qt::Key_Left;
    QTest::newRow("right over words")
        << "one two  three" << 0ll << right << QList<qint64> {4, 9, 14, 14};
    QTest::newRow("left over words") << "one two  three" << 14ll << left << QList<qint64> {9, 4, 0, 0};
    QTest::newRow("punctuation is a word of its own")
        << "a.b, c" << 0ll << right << QList<qint64> {1, 2, 3, 5, 6};
    QTest::newRow("right over a line break") << "ab\r\ncd" << 0ll << right << QList<qint64> {2, 4, 6};
    QTest::newRow("left over a line break") << "ab\r\ncd" << 6ll << left << QList<qint64> {4, 2, 0};
}

void TextViewMovesTest::wordMovesStopAtWordStarts()
{
    QFETCH(QString, text);
    QFETCH(qint64, caret);
    QFETCH(int, key);
    QFETCH(QList<qint64>, stops);

    m_view->setText(text);
    m_view->setCaret(caret);
    QList<qint64> seen;
    for (int i = 0; i < stops.size(); ++i) {
        QTest::keyClick(m_view, Qt::Key(key), Qt::ControlModifier);
        seen << m_view->caret();
    }
    QCOMPARE(seen, stops);
}

void TextViewMovesTest::shiftSelectionCopiesRealCharacters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("caret");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("presses");
    QTest::addColumn<QString>("copied");
    const int shift = Qt::ShiftModifier;
    const int shiftCtrl = Qt::ShiftModifier | Qt::ControlModifier;
    const QString lf = QStringLiteral("a\nb\r\nc");
    QTest::newRow("Shift+Right over a lone LF")
        << lf << 0ll << int(Qt::Key_Right) << shift << 3 << "a\nb";
    QTest::newRow("Shift+Right over CR LF") << lf << 2ll << int(Qt::Key_Right) << shift << 2 << "b\r\n";
    QTest::newRow("Shift+Left back over CR LF")
        << lf << 6ll << int(Qt::Key_Left) << shift << 2 << "\r\nc";
    QTest::newRow("Shift+End") << lf << 0ll << int(Qt::Key_End) << shift << 1 << "a\nb";
    QTest::newRow("Shift+Down") << lf << 1ll << int(Qt::Key_Down) << shift << 1 << "\nb\r\nc";
    QTest::newRow("Shift+Ctrl+End") << lf << 1ll << int(Qt::Key_End) << shiftCtrl << 1 << "\nb\r\nc";
    QTest::newRow("stand-in characters")
        << QString::fromUtf16(u"x\u2028\u2029\ry") << 0ll << int(Qt::Key_Right) << shift << 5
        << QString::fromUtf16(u"x\u2028\u2029\ry");
}

void TextViewMovesTest::shiftSelectionCopiesRealCharacters()
{
    QFETCH(QString, text);
    QFETCH(qint64, caret);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, presses);
    QFETCH(QString, copied);

    m_view->setText(text);
    m_view->setCaret(caret);
    for (int i = 0; i < presses; ++i)
        QTest::keyClick(m_view, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(m_view->selectedText(), copied);
    QTest::keyClick(m_view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), copied);
    if (QGuiApplication::clipboard()->supportsSelection())
        QCOMPARE(QGuiApplication::clipboard()->text(QClipboard::Selection), copied);
}

void TextViewMovesTest::clickPlacesTheCaretAndShiftClickExtends_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("clicked");
    QTest::addColumn<qint64>("shiftClicked");
    QTest::newRow("one line") << "hello world" << 2ll << 8ll;
    QTest::newRow("second line, backwards") << "hello\r\nworld wide" << 12ll << 3ll;
    QTest::newRow("wrapped rows") << wrappedWords(60) << 70ll << 130ll;
}

void TextViewMovesTest::clickPlacesTheCaretAndShiftClickExtends()
{
    QFETCH(QString, text);
    QFETCH(qint64, clicked);
    QFETCH(qint64, shiftClicked);

    m_view->setText(text);
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, pointOf(clicked));
    QCOMPARE(m_view->caret(), clicked);
    QVERIFY(!m_view->hasSelection());
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, Qt::ShiftModifier, pointOf(shiftClicked));
    QCOMPARE(m_view->anchor(), clicked);
    QCOMPARE(m_view->caret(), shiftClicked);
}

void TextViewMovesTest::doubleClickSelectsTheWord_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("at");
    QTest::addColumn<QString>("word");
    QTest::newRow("inside a word") << "one two three" << 5ll << "two";
    QTest::newRow("at a word's start") << "one two three" << 4ll << "two";
    QTest::newRow("on the second line") << "one\r\ntwo three" << 6ll << "two";
}

void TextViewMovesTest::doubleClickSelectsTheWord()
{
    QFETCH(QString, text);
    QFETCH(qint64, at);
    QFETCH(QString, word);

    m_view->setText(text);
    QTest::mouseDClick(m_view->viewport(), Qt::LeftButton, {}, pointOf(at));
    QCOMPARE(m_view->selectedText(), word);
}

void TextViewMovesTest::draggingSelectsByUnit_data()
{
    QTest::addColumn<int>("clicks"); // 1, 2 or 3 presses before the drag
    QTest::addColumn<qint64>("from");
    QTest::addColumn<qint64>("to");
    QTest::addColumn<QString>("selected");
    const QString text = QStringLiteral("one two three\r\nfour five");
    QTest::newRow("characters forward") << 1 << 2ll << 9ll << "e two t";
    QTest::newRow("characters backward") << 1 << 17ll << 5ll << "wo three\r\nfo";
    QTest::newRow("words forward") << 2 << 5ll << 9ll << "two three";
    QTest::newRow("words backward") << 2 << 9ll << 1ll << "one two three";
    QTest::newRow("paragraphs") << 3 << 5ll << 17ll << "one two three\r\nfour five";
    // A triple click takes the paragraph's CR LF too, and keeps the paragraph while the
    // pointer is on it or at the next one's start, as the text box does.
    QTest::newRow("a paragraph and its line break") << 3 << 5ll << 5ll << "one two three\r\n";
    QTest::newRow("the last paragraph") << 3 << 17ll << 17ll << "four five";
    QTest::newRow("held at the next paragraph's start") << 3 << 5ll << 15ll << "one two three\r\n";
    QTest::newRow("paragraphs backward") << 3 << 17ll << 5ll << "one two three\r\nfour five";
}

void TextViewMovesTest::draggingSelectsByUnit()
{
    QFETCH(int, clicks);
    QFETCH(qint64, from);
    QFETCH(qint64, to);
    QFETCH(QString, selected);

    // However slow the machine, the presses count as one double or triple click.
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(1 << 30);
    m_view->setText(QStringLiteral("one two three\r\nfour five"));
    QWidget *port = m_view->viewport();
    if (clicks >= 2)
        QTest::mouseDClick(port, Qt::LeftButton, {}, pointOf(from));
    if (clicks == 3)
        QTest::mousePress(port, Qt::LeftButton, {}, pointOf(from));
    else if (clicks == 1)
        QTest::mousePress(port, Qt::LeftButton, {}, pointOf(from));
    QTest::mouseMove(port, pointOf(to));
    QTest::mouseRelease(port, Qt::LeftButton, {}, pointOf(to));
    QCOMPARE(m_view->selectedText(), selected);
}

void TextViewMovesTest::dragPastTheEdgeScrollsFasterFurtherOut_data()
{
    QTest::addColumn<bool>("up");
    QTest::newRow("below the text") << false;
    QTest::newRow("above the text") << true;
}

void TextViewMovesTest::dragPastTheEdgeScrollsFasterFurtherOut()
{
    QFETCH(bool, up);

    // Rows are left to count: the press and the scrolling find their rows themselves.
    m_view->setText(QStringLiteral("line of text\r\n").repeated(5000));
    QWidget *port = m_view->viewport();
    // What the move and four scrolling steps select, `distance` px past the edge.
    const auto selectedInFiveSteps = [&](int distance) {
        m_view->setCaret(up ? m_view->length() : 0);
        const QPoint inside(20, port->height() / 2);
        QTest::mousePress(port, Qt::LeftButton, {}, inside);
        int steps = 0;
        qint64 selected = -1;
        auto watch = connect(m_view, &TextView::caretMoved, this, [&] {
            if (++steps == 5)
                selected = m_view->selectionEnd() - m_view->selectionStart();
        });
        QTest::mouseMove(port, QPoint(20, up ? -distance : port->height() + distance));
        const bool stepped = QTest::qWaitFor([&] { return selected >= 0; });
        QTest::mouseRelease(port, Qt::LeftButton, {}, inside);
        disconnect(watch);
        return stepped ? selected : -1;
    };
    const qint64 near = selectedInFiveSteps(20);
    const qint64 far = selectedInFiveSteps(150);
    QVERIFY2(near > 0 && far > 2 * near, qPrintable(QStringLiteral("%1 %2").arg(near).arg(far)));
}

void TextViewMovesTest::caretStaysInViewWhileMoving()
{
    QStringList lines;
    for (int i = 0; i < 200; ++i)
        lines << QStringLiteral("line %1").arg(i);
    m_view->setText(lines.join(QLatin1String("\r\n")));
    for (int i = 0; i < 60; ++i)
        QTest::keyClick(m_view, Qt::Key_Down);
    const qint64 row = m_view->rowOfOffset(m_view->caret());
    QCOMPARE(row, 60);
    QVERIFY(m_view->topRow() <= row);
    QVERIFY(m_view->topRow() > 0);
    QTest::keyClick(m_view, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(m_view->topRow(), 0);
    QTest::keyClick(m_view, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(m_view->rowOfOffset(m_view->caret()), 199);
    QVERIFY(m_view->topRow() > 150);
}

QTEST_MAIN(TextViewMovesTest)
#include "tst_textview_moves.moc"
