// The text box layer: CR LF text, lone LF kept, change events, line queries.
#include "plaintextboxtest.h"

#include "support/displaytext.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextLayout>
#include <QTest>

using namespace wimblet;

void PlainTextBoxTest::init()
{
    m_box = new ProbeBox;
    m_box->resize(400, 300);
    m_box->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_box));
}

void PlainTextBoxTest::cleanup()
{
    delete m_box;
    m_box = nullptr;
}

void PlainTextBoxTest::select(int from, int to)
{
    QTextCursor cursor(m_box->document());
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    m_box->setTextCursor(cursor);
}

QPoint PlainTextBoxTest::pointOf(int position) const
{
    QTextCursor cursor(m_box->document());
    cursor.setPosition(position);
    return m_box->cursorRect(cursor).center();
}

void PlainTextBoxTest::textRoundTrips_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("crlf") << QStringLiteral("a\r\nb\r\n");
    QTest::newRow("lone lf") << QStringLiteral("a\nb\r\nc\n");
    QTest::newRow("lone cr") << QStringLiteral("a\rb\r");
    QTest::newRow("cr cr lf") << QStringLiteral("a\r\r\nb");
    QTest::newRow("unicode separators")
        << QString::fromUtf16(u"x\u2028y\u2029z\uFDD0\uFDD1\u00A0\u2193\u240A");
    QTest::newRow("nul and tab") << QString::fromUtf16(u"a\0b\tc", 5);
    QTest::newRow("only breaks") << QStringLiteral("\r\n\r\n\n\r");
}

void PlainTextBoxTest::textRoundTrips()
{
    QFETCH(QString, text);
    m_box->setText(text);
    QCOMPARE(m_box->Text(), text);
    m_box->replaceTextUndoable(QStringLiteral("other"));
    m_box->replaceTextUndoable(text);
    QCOMPARE(m_box->Text(), text);
}

void PlainTextBoxTest::loneLineFeedIsNotALineBreak()
{
    m_box->setText(QStringLiteral("one\ntwo\r\nthree"));
    QCOMPARE(m_box->blockCount(), 2);
    QCOMPARE(m_box->lines().lineCount(), std::optional<int>(2));
    // Shown visibly, and read back as LF.
    QVERIFY(m_box->document()->firstBlock().text().contains(QChar(standInFor(u'\n'))));
    QCOMPARE(m_box->Text(), QStringLiteral("one\ntwo\r\nthree"));
}

void PlainTextBoxTest::changeIsRaisedOnceBeforeWriteReturns()
{
    int changes = 0;
    QString seen;
    connect(m_box, &PlainTextBox::Change, this, [&] {
        ++changes;
        seen = m_box->Text();
    });
    m_box->setText(QStringLiteral("a\nb"));
    QCOMPARE(changes, 1);
    QCOMPARE(seen, QStringLiteral("a\nb"));
    m_box->replaceTextUndoable(QStringLiteral("c\r\nd"));
    QCOMPARE(changes, 2);
    QCOMPARE(seen, QStringLiteral("c\r\nd"));
}

void PlainTextBoxTest::unchangedWriteRaisesNothing()
{
    m_box->setText(QStringLiteral("same"));
    QSignalSpy spy(m_box, &PlainTextBox::Change);
    m_box->setText(QStringLiteral("same"));
    m_box->replaceTextUndoable(QStringLiteral("same"));
    QCOMPARE(spy.count(), 0);
}

void PlainTextBoxTest::typingRaisesChange()
{
    QSignalSpy spy(m_box, &PlainTextBox::Change);
    QTest::keyClicks(m_box, QStringLiteral("ab"));
    QCOMPARE(spy.count(), 2);
    QTest::keyClick(m_box, Qt::Key_Return);
    QCOMPARE(m_box->Text(), QStringLiteral("ab\r\n"));
}

void PlainTextBoxTest::undoableReplaceIsOneStep()
{
    m_box->setText(QString());
    QTest::keyClicks(m_box, QStringLiteral("before"));
    m_box->replaceTextUndoable(QStringLiteral("after\nlone\r\nline"));
    m_box->undo();
    QCOMPARE(m_box->Text(), QStringLiteral("before"));
    m_box->redo();
    QCOMPARE(m_box->Text(), QStringLiteral("after\nlone\r\nline"));
}

void PlainTextBoxTest::typingAfterStandInStaysItself()
{
    m_box->setText(QStringLiteral("a\n"));
    m_box->moveCursor(QTextCursor::End);
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(standInFor(u'\n'))));
    QApplication::sendEvent(m_box, &press);
    QTest::keyClicks(m_box, QStringLiteral("z"));
    QCOMPARE(m_box->Text(),
             QString(QStringLiteral("a\n") + QChar(standInFor(u'\n')) + QStringLiteral("z")));
}

void PlainTextBoxTest::selectingBesideStandInsKeepsThem_data()
{
    QTest::addColumn<int>("caret");
    QTest::addColumn<QKeySequence>("keys");
    QTest::newRow("Shift+Right over a lone LF") << 0 << QKeySequence(QStringLiteral("Shift+Right"));
    QTest::newRow("Shift+Right twice") << 0 << QKeySequence(QStringLiteral("Shift+Right, Shift+Right"));
    QTest::newRow("Shift+End") << 2 << QKeySequence(QStringLiteral("Shift+End"));
    QTest::newRow("Shift+Down") << 2 << QKeySequence(QStringLiteral("Shift+Down"));
    QTest::newRow("Shift+Left to after U+2028") << 7 << QKeySequence(QStringLiteral("Shift+Left"));
    QTest::newRow("Ctrl+Shift+End") << 0 << QKeySequence(QStringLiteral("Ctrl+Shift+End"));
}

void PlainTextBoxTest::selectingBesideStandInsKeepsThem()
{
    QFETCH(int, caret);
    QFETCH(QKeySequence, keys);
    // Blocks "\u2193b\u2193", "x\u21B5" and "y\u2190": positions 0-2, 4-5 and 7-8.
    const QString text = QString::fromUtf16(u"\nb\n\r\nx\u2028\r\ny\r");
    m_box->setText(text);
    QTextCursor cursor(m_box->document());
    cursor.setPosition(caret);
    m_box->setTextCursor(cursor);
    QSignalSpy changes(m_box, &PlainTextBox::Change);
    QTest::keySequence(m_box, keys);
    QVERIFY(m_box->textCursor().hasSelection());
    // A selection is no edit: the stand-ins keep their marks and nothing changed.
    QCOMPARE(m_box->Text(), text);
    QCOMPARE(changes.count(), 0);
    QVERIFY(!m_box->document()->isUndoAvailable());
}

void PlainTextBoxTest::lineQueriesAnswerAsAnEditControl_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selEnd"); // document positions
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("end");    // CR LF offsets
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("lineStart");
    QTest::newRow("empty") << "" << 0 << 0 << 1 << 0 << 0 << 0;
    QTest::newRow("abc end") << "abc" << 3 << 3 << 1 << 3 << 0 << 0;
    QTest::newRow("between d and e") << "abc\r\nde" << 5 << 5 << 2 << 6 << 1 << 5;
    QTest::newRow("after final break") << "abc\r\n" << 4 << 4 << 2 << 5 << 1 << 5;
    QTest::newRow("selection forward") << "abcdefg" << 2 << 5 << 1 << 5 << 0 << 0;
    QTest::newRow("selection backward") << "abcdefg" << 5 << 2 << 1 << 5 << 0 << 0;
    QTest::newRow("three lines") << "a\r\n\r\nxyz" << 4 << 4 << 3 << 6 << 2 << 5;
}

void PlainTextBoxTest::lineQueriesAnswerAsAnEditControl()
{
    QFETCH(QString, text);
    QFETCH(int, selStart);
    QFETCH(int, selEnd);
    m_box->setText(text);
    QTextCursor cursor(m_box->document());
    cursor.setPosition(selStart);
    cursor.setPosition(selEnd, QTextCursor::KeepAnchor);
    m_box->setTextCursor(cursor);
    const LineQueries &q = m_box->lines();
    QTEST(*q.lineCount(), "count");
    QTEST(*q.selectionEnd(), "end");
    QTEST(*q.lineFromChar(*q.selectionEnd()), "line");
    QTEST(*q.lineIndex(*q.lineFromChar(*q.selectionEnd())), "lineStart");
    QVERIFY(!q.lineIndex(*q.lineCount()));
}

void PlainTextBoxTest::wrappedLinesCountAsRows()
{
    m_box->setText(QString(200, QLatin1Char('w')) + QStringLiteral("\r\nshort"));
    const int perRow = m_box->document()->firstBlock().layout()->lineAt(0).textLength();
    const int rows = (200 + perRow - 1) / perRow;
    QVERIFY(rows > 1);
    QCOMPARE(*m_box->lines().lineCount(), rows + 1);
    // The first character of the second row starts displayed line 1.
    QCOMPARE(*m_box->lines().lineFromChar(perRow), 1);
    QCOMPARE(*m_box->lines().lineIndex(1), perRow);
    QCOMPARE(*m_box->lines().lineFromChar(202), rows); // "short" starts after CR LF
    QCOMPARE(*m_box->lines().lineIndex(rows), 202);
    m_box->resize(200, 300);
    QCoreApplication::processEvents();
    QVERIFY(*m_box->lines().lineCount() > rows + 1);
}

void PlainTextBoxTest::offsetsBeyond65535()
{
    QString text;
    for (int i = 0; i < 10000; ++i)
        text += QStringLiteral("line %1\r\n").arg(i, 4, 10, QLatin1Char('0'));
    m_box->setText(text); // 10000 lines of 11 characters: 110000 offsets
    m_box->moveCursor(QTextCursor::End);
    const LineQueries &q = m_box->lines();
    QCOMPARE(*q.selectionEnd(), 110000);
    QCOMPARE(*q.lineFromChar(110000), 10000);
    QCOMPARE(*q.lineIndex(10000), 110000);
    QCOMPARE(*q.lineFromChar(70004), 70004 / 11);
    QCOMPARE(*q.lineIndex(70004 / 11), (70004 / 11) * 11);
}

void PlainTextBoxTest::selectionHiddenWithoutFocus()
{
    for (quint32 colour : {0x80000008u, 192u}) {
        m_box->setForeColor(colour);
        const QPalette pal = m_box->palette();
        QCOMPARE(pal.color(QPalette::Inactive, QPalette::Highlight),
                 pal.color(QPalette::Inactive, QPalette::Base));
        QCOMPARE(pal.color(QPalette::Inactive, QPalette::HighlightedText),
                 pal.color(QPalette::Inactive, QPalette::Text));
        QVERIFY(pal.color(QPalette::Active, QPalette::Highlight)
                != pal.color(QPalette::Active, QPalette::Base));
    }
}

QTEST_MAIN(PlainTextBoxTest)
