// The text box layer: CR LF text, lone LF kept, change events, line queries.
#include "textboxtest.h"

#include "textview/shownchars.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

using namespace wimblet;

void TextBoxTest::init()
{
    m_box = new TextBox;
    m_box->resize(400, 300);
    m_box->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_box));
}

void TextBoxTest::cleanup()
{
    delete m_box;
    m_box = nullptr;
}

int TextBoxTest::offsetOf(int position) const
{
    const QString text = m_box->Text();
    int offset = 0;
    for (int seen = 0; seen < position && offset < text.size(); ++seen)
        offset += text.mid(offset, 2) == QLatin1String("\r\n") ? 2 : 1;
    return offset;
}

void TextBoxTest::select(int from, int to)
{
    m_box->setSelection(offsetOf(from), offsetOf(to));
}

QPoint TextBoxTest::pointOf(int position) const
{
    // The drops land at the start of a one-row text, beside its first character, or
    // after everything: below the last row.
    const QFontMetricsF metrics(m_box->font());
    if (offsetOf(position) >= m_box->length())
        return QPoint(m_box->viewport()->width() - 8, m_box->viewport()->height() - 8);
    return QPointF(4 + metrics.horizontalAdvance(m_box->Text().left(position)),
                   4 + metrics.lineSpacing() / 2)
        .toPoint();
}

void TextBoxTest::textRoundTrips_data()
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

void TextBoxTest::textRoundTrips()
{
    QFETCH(QString, text);
    m_box->setText(text);
    QCOMPARE(m_box->Text(), text);
    m_box->replaceTextUndoable(QStringLiteral("other"));
    m_box->replaceTextUndoable(text);
    QCOMPARE(m_box->Text(), text);
}

void TextBoxTest::loneLineFeedIsNotALineBreak()
{
    m_box->setText(QStringLiteral("one\ntwo\r\nthree"));
    QCOMPARE(m_box->rowCount(), 2);
    QCOMPARE(m_box->lines().lineCount(), std::optional<int>(2));
    // Shown visibly, and read back as LF.
    QVERIFY(shownText(m_box->store(), 0, 8).contains(QChar(standInOf(u'\n'))));
    QCOMPARE(m_box->Text(), QStringLiteral("one\ntwo\r\nthree"));
}

void TextBoxTest::changeIsRaisedOnceBeforeWriteReturns()
{
    int changes = 0;
    QString seen;
    connect(m_box, &TextBox::Change, this, [&] {
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

void TextBoxTest::changeSeesTheCaretAtTheStartAfterAWholeWrite()
{
    m_box->setText(QStringLiteral("abc\r\ndef"));
    m_box->setCaret(m_box->length());
    QList<qint64> carets;
    connect(m_box, &TextBox::Change, this, [&] { carets << m_box->caret(); });
    m_box->replaceTextUndoable(QStringLiteral("ABC\r\nDEF"));
    m_box->setText(QStringLiteral("xyz"));
    QCOMPARE(carets, (QList<qint64> {0, 0}));
}

void TextBoxTest::unchangedWriteRaisesNothing()
{
    m_box->setText(QStringLiteral("same"));
    QSignalSpy spy(m_box, &TextBox::Change);
    m_box->setText(QStringLiteral("same"));
    m_box->replaceTextUndoable(QStringLiteral("same"));
    QCOMPARE(spy.count(), 0);
}

void TextBoxTest::typingRaisesChange()
{
    QSignalSpy spy(m_box, &TextBox::Change);
    QTest::keyClicks(m_box, QStringLiteral("ab"));
    QCOMPARE(spy.count(), 2);
    QTest::keyClick(m_box, Qt::Key_Return);
    QCOMPARE(m_box->Text(), QStringLiteral("ab\r\n"));
}

void TextBoxTest::undoableReplaceIsOneStep()
{
    m_box->setText(QString());
    QTest::keyClicks(m_box, QStringLiteral("before"));
    m_box->replaceTextUndoable(QStringLiteral("after\nlone\r\nline"));
    m_box->undo();
    QCOMPARE(m_box->Text(), QStringLiteral("before"));
    m_box->redo();
    QCOMPARE(m_box->Text(), QStringLiteral("after\nlone\r\nline"));
}

void TextBoxTest::typingAfterStandInStaysItself()
{
    m_box->setText(QStringLiteral("a\n"));
    m_box->setCaret(m_box->length());
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(standInOf(u'\n'))));
    QApplication::sendEvent(m_box, &press);
    QTest::keyClicks(m_box, QStringLiteral("z"));
    QCOMPARE(m_box->Text(),
             QString(QStringLiteral("a\n") + QChar(standInOf(u'\n')) + QStringLiteral("z")));
}

void TextBoxTest::selectingBesideStandInsKeepsThem_data()
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

void TextBoxTest::selectingBesideStandInsKeepsThem()
{
    QFETCH(int, caret);
    QFETCH(QKeySequence, keys);
    // Blocks "\u2193b\u2193", "x\u21B5" and "y\u2190": positions 0-2, 4-5 and 7-8.
    const QString text = QString::fromUtf16(u"\nb\n\r\nx\u2028\r\ny\r");
    m_box->setText(text);
    place(caret);
    QSignalSpy changes(m_box, &TextBox::Change);
    QTest::keySequence(m_box, keys);
    QVERIFY(m_box->hasSelection());
    // A selection is no edit: the stand-ins keep their marks and nothing changed.
    QCOMPARE(m_box->Text(), text);
    QCOMPARE(changes.count(), 0);
    QVERIFY(!m_box->canUndo());
}

void TextBoxTest::lineQueriesAnswerAsAnEditControl_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selEnd"); // a CR LF counts once
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

void TextBoxTest::lineQueriesAnswerAsAnEditControl()
{
    QFETCH(QString, text);
    QFETCH(int, selStart);
    QFETCH(int, selEnd);
    m_box->setText(text);
    select(selStart, selEnd);
    const LineQueries &q = m_box->lines();
    QTEST(*q.lineCount(), "count");
    QTEST(*q.selectionEnd(), "end");
    QTEST(*q.lineFromChar(*q.selectionEnd()), "line");
    QTEST(*q.lineIndex(*q.lineFromChar(*q.selectionEnd())), "lineStart");
    QVERIFY(!q.lineIndex(*q.lineCount()));
}

void TextBoxTest::wrappedLinesCountAsRows()
{
    m_box->setText(QString(200, QLatin1Char('w')) + QStringLiteral("\r\nshort"));
    const int perRow = int(m_box->rowStart(1));
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

void TextBoxTest::wholeTextReplaceIsUndoneAndRedone()
{
    m_box->show();
    const QString before = QStringLiteral("satu dua\ntiga\r\n").repeated(40) + QStringLiteral("akhir");
    const QString after = before.toUpper() + QStringLiteral("\r\nlagi");
    m_box->setText(before);
    const qint64 rowsBefore = m_box->rowCount();
    const QString current = m_box->Text();
    m_box->replaceTextUndoable(after, &current);
    QCOMPARE(m_box->Text(), after);
    QCOMPARE(m_box->caret(), 0);
    QCOMPARE(m_box->rowCount(), rowsBefore + 1);
    m_box->undo();
    QCOMPARE(m_box->Text(), before);
    QCOMPARE(m_box->rowCount(), rowsBefore);
    m_box->redo();
    QCOMPARE(m_box->Text(), after);
    m_box->setCaret(m_box->length());
    QTest::keyClicks(m_box, QStringLiteral("!"));
    QCOMPARE(m_box->Text(), after + QStringLiteral("!"));
    // As a status refresh asks: the count first, which counts a text this short whole.
    QCOMPARE(*m_box->lines().lineCount(), int(rowsBefore) + 1);
    QCOMPARE(*m_box->lines().lineFromChar(int(m_box->length())), int(rowsBefore));
}

void TextBoxTest::savedStateFollowsEdits()
{
    m_box->show();
    m_box->setText(QStringLiteral("satu\r\ndua"));
    m_box->markSaved();
    QVERIFY(m_box->matchesSaved());
    m_box->setCaret(4);
    QTest::keyClicks(m_box, QStringLiteral("x"));
    QVERIFY(!m_box->matchesSaved());
    QTest::keyClick(m_box, Qt::Key_Backspace); // the same text again, from other pieces
    QVERIFY(m_box->matchesSaved());
    QTest::keyClick(m_box, Qt::Key_Delete); // a CR LF goes as one
    QVERIFY(!m_box->matchesSaved());
    QCOMPARE(m_box->savedText(), QStringLiteral("satu\r\ndua"));
    m_box->setText(QStringLiteral("satu\r\n") + QStringLiteral("dua")); // built anew
    QVERIFY(m_box->matchesSaved());
    m_box->markSaved();
    m_box->setText(QString());
    QVERIFY(!m_box->matchesSaved());
}

void TextBoxTest::offsetsBeyond65535()
{
    QString text;
    for (int i = 0; i < 10000; ++i)
        text += QStringLiteral("line %1\r\n").arg(i, 4, 10, QLatin1Char('0'));
    m_box->setText(text); // 10000 lines of 11 characters: 110000 offsets
    m_box->setCaret(m_box->length());
    // A shown box counts a text this long in idle time; the figures are exact after.
    QTRY_VERIFY_WITH_TIMEOUT(m_box->rowsExact(), 60000); // a sanitizer build on a busy machine is slow
    const LineQueries &q = m_box->lines();
    QCOMPARE(*q.selectionEnd(), 110000);
    QCOMPARE(*q.lineFromChar(110000), 10000);
    QCOMPARE(*q.lineIndex(10000), 110000);
    QCOMPARE(*q.lineFromChar(70004), 70004 / 11);
    QCOMPARE(*q.lineIndex(70004 / 11), (70004 / 11) * 11);
}

void TextBoxTest::selectionHiddenWithoutFocus()
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

void TextBoxTest::keyUpCarriesKeyAndShiftMask_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("shift"); // 1 Shift, 2 Ctrl, 4 Alt
    QTest::newRow("letter") << int(Qt::Key_A) << 0 << 0;
    // A modifier's own release tells the state after it, as Qt reports it.
    QTest::newRow("Shift alone") << int(Qt::Key_Shift) << int(Qt::ShiftModifier) << 0;
    QTest::newRow("Shift while Ctrl is held")
        << int(Qt::Key_Shift) << int(Qt::ShiftModifier | Qt::ControlModifier) << 2;
    QTest::newRow("Ctrl+Home") << int(Qt::Key_Home) << int(Qt::ControlModifier) << 2;
    QTest::newRow("Alt+Shift+Left") << int(Qt::Key_Left) << int(Qt::AltModifier | Qt::ShiftModifier)
                                    << 5;
    QTest::newRow("Ctrl+Alt+Shift+End")
        << int(Qt::Key_End) << int(Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier) << 7;
}

void TextBoxTest::keyUpCarriesKeyAndShiftMask()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    m_box->setText(QStringLiteral("abc"));
    QSignalSpy spy(m_box, &TextBox::KeyUp);
    // Sent as it comes, without the modifiers' own releases QTest would add.
    QKeyEvent release(QEvent::KeyRelease, key, Qt::KeyboardModifiers(modifiers));
    QApplication::sendEvent(m_box, &release);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), key);
    QTEST(spy.at(0).at(1).toInt(), "shift");
}

void TextBoxTest::clickFollowsOnlyTheLeftButton_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("clicks");
    QTest::newRow("left") << int(Qt::LeftButton) << 1;
    QTest::newRow("right") << int(Qt::RightButton) << 0;
    QTest::newRow("middle") << int(Qt::MiddleButton) << 0;
}

void TextBoxTest::clickFollowsOnlyTheLeftButton()
{
    QFETCH(int, button);
    m_box->setText(QStringLiteral("abc\r\ndef"));
    m_box->setCaret(m_box->length());
    qint64 caretAtClick = -1;
    connect(m_box, &TextBox::Click, this, [&] { caretAtClick = m_box->caret(); });
    QSignalSpy spy(m_box, &TextBox::Click);
    QTest::mousePress(m_box->viewport(), Qt::MouseButton(button), {}, pointOf(0));
    QCOMPARE(spy.count(), 0); // after the release only
    QTest::mouseRelease(m_box->viewport(), Qt::MouseButton(button), {}, pointOf(0));
    QTEST(int(spy.count()), "clicks");
    if (spy.count() > 0)
        QCOMPARE(caretAtClick, 0); // the click has moved the caret by then
}

void TextBoxTest::foreColorPaintsTheText()
{
    m_box->setText(QStringLiteral("MMMM"));
    m_box->setForeColor(192); // dark red, as the toolbar's button sets it
    QCOMPARE(m_box->ForeColor(), 192u);
    QCOMPARE(m_box->foreColor(), QColor(192, 0, 0));
    const QImage image = m_box->viewport()->grab().toImage();
    bool red = false;
    for (int y = 0; y < image.height() && !red; ++y)
        for (int x = 0; x < image.width() && !red; ++x) {
            const QColor c = image.pixelColor(x, y);
            red = c.red() > 120 && c.green() < 60 && c.blue() < 60;
        }
    QVERIFY(red);
}

QTEST_MAIN(TextBoxTest)
