// What a screen reader gets from the text view: text units around an offset, edits made
// through it, and the events that follow typing, deleting and moving the caret.
#include "viewtest.h"

#include "textview/textviewaccessible.h"

#include <QAccessible>
#include <QSignalSpy>

using namespace wimblet;
using namespace wimblet::viewtest;

namespace {

// Events seen since the last take(), as short words: "ins 3 'x'", "del 2 'ab'", "caret 4";
// a long text as its first unit and length: "ins 4 'w'x70000".
QStringList g_events;

QString told(const QString &text)
{
    if (text.size() <= 16)
        return "'" + text + "'";
    return QStringLiteral("'%1'x%2").arg(text.front()).arg(text.size());
}

void record(QAccessibleEvent *event)
{
    switch (event->type()) {
    case QAccessible::TextInserted: {
        auto *e = static_cast<QAccessibleTextInsertEvent *>(event);
        g_events << QStringLiteral("ins %1 %2").arg(e->changePosition()).arg(told(e->textInserted()));
        break;
    }
    case QAccessible::TextRemoved: {
        auto *e = static_cast<QAccessibleTextRemoveEvent *>(event);
        g_events << QStringLiteral("del %1 %2").arg(e->changePosition()).arg(told(e->textRemoved()));
        break;
    }
    case QAccessible::TextUpdated: {
        auto *e = static_cast<QAccessibleTextUpdateEvent *>(event);
        g_events << QStringLiteral("upd %1 '%2' '%3'")
                        .arg(e->changePosition())
                        .arg(e->textRemoved(), e->textInserted());
        break;
    }
    case QAccessible::TextCaretMoved:
        g_events << QStringLiteral("caret %1")
                        .arg(static_cast<QAccessibleTextCursorEvent *>(event)->cursorPosition());
        break;
    case QAccessible::TextSelectionChanged: {
        auto *e = static_cast<QAccessibleTextSelectionEvent *>(event);
        g_events << QStringLiteral("sel %1-%2").arg(e->selectionStart()).arg(e->selectionEnd());
        break;
    }
    default:
        break;
    }
}

QStringList take()
{
    QStringList seen;
    seen.swap(g_events);
    return seen;
}

QAccessibleInterface *accessible(TextView *view)
{
    return QAccessible::queryAccessibleInterface(view);
}

// The text the units are read in; a reader gets its NUL as U+2400.
constexpr char16_t kUnits[] = u"kata\r\nKedua. Akhir\0 😀!";
const QString kText = QString::fromUtf16(kUnits, std::size(kUnits) - 1);
const QString kTextRead = QString(kText).replace(u'\0', u'\u2400');

} // namespace

class TestTextViewAccessible : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Qt hands events on only while a reader listens, which no test machine has.
        setAccessibleEventSink(record);
    }

    void unitsAroundAnOffset_data()
    {
        QTest::addColumn<int>("boundary");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("at");
        QTest::addColumn<QString>("after");
        const QString crlf = QStringLiteral("\r\n");
        const QString second = kTextRead.mid(6);
        QTest::newRow("char: the caret is never inside a CR LF")
            << int(QAccessible::CharBoundary) << 5 << "a" << crlf << "K";
        QTest::newRow("char: a surrogate pair is one")
            << int(QAccessible::CharBoundary) << 20 << " " << QString::fromUtf8("😀") << "!";
        QTest::newRow("char: a NUL is its stand-in")
            << int(QAccessible::CharBoundary) << 18 << "r" << QStringLiteral("\u2400") << " ";
        QTest::newRow("word: then the paragraph's break")
            << int(QAccessible::WordBoundary) << 1 << QString() << "kata" << crlf;
        QTest::newRow("sentence: the last of a paragraph takes its break")
            << int(QAccessible::SentenceBoundary) << 9 << "kata" + crlf << "Kedua. "
            << second.mid(7);
        QTest::newRow("paragraph") << int(QAccessible::ParagraphBoundary) << 2 << QString()
                                   << "kata" + crlf << second;
        QTest::newRow("line: a displayed row")
            << int(QAccessible::LineBoundary) << 8 << "kata" + crlf << second << QString();
    }

    void unitsAroundAnOffset()
    {
        QFETCH(int, boundary);
        QFETCH(int, offset);
        QScopedPointer<TextView> view(shownView());
        view->setText(kText);
        QAccessibleTextInterface *text = accessible(view.data())->textInterface();
        QVERIFY(text);
        const auto type = QAccessible::TextBoundaryType(boundary);
        int from = 0;
        int to = 0;
        QFETCH(QString, before);
        QFETCH(QString, at);
        QFETCH(QString, after);
        QCOMPARE(text->text(0, text->characterCount()), kTextRead);
        QCOMPARE(text->textBeforeOffset(offset, type, &from, &to), before);
        QCOMPARE(text->textAtOffset(offset, type, &from, &to), at);
        QCOMPARE(text->text(from, to), text->textAtOffset(offset, type, &from, &to));
        QCOMPARE(text->textAfterOffset(offset, type, &from, &to), after);
    }

    void rowsAsLines()
    {
        // A paragraph wrapped into rows is read row by row.
        QScopedPointer<TextView> view(shownView(120));
        view->setText(QStringLiteral("satu dua tiga empat lima enam tujuh delapan"));
        QAccessibleTextInterface *text = accessible(view.data())->textInterface();
        int from = 0;
        int to = 0;
        QString joined;
        for (int at = 0; at < text->characterCount(); at = to) {
            joined += text->textAtOffset(at, QAccessible::LineBoundary, &from, &to);
            QCOMPARE(from, int(view->rowStart(view->rowOfOffset(at))));
            QVERIFY(to > at);
        }
        QVERIFY(view->rowCount() > 2);
        QCOMPARE(joined, view->text());
    }

    void eventsFollowTheUser_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("typing") << "type" << QStringList {"ins 4 'x'", "caret 5"};
        QTest::newRow("backspace") << "backspace" << QStringList {"del 3 'a'", "caret 3"};
        QTest::newRow("shift+left selects") << "select" << QStringList {"sel 3-4", "caret 3"};
        QTest::newRow("typing over a selection") << "replace"
                                                 << QStringList {"sel 3-4", "caret 3", "del 3 'a'",
                                                                 "ins 3 'Z'", "sel 4-4", "caret 4"};
        QTest::newRow("Enter makes a CR LF") << "enter" << QStringList {"ins 4 '\r\n'", "caret 6"};
        // The old text's length in blanks, as Qt's own boxes tell it, then the new text.
        QTest::newRow("a new text")
            << "settext" << QStringList {"del 0 '    '", "ins 0 'baru'", "caret 0"};
        QTest::newRow("a long edit is told whole")
            << "paste-long" << QStringList {"ins 4 'w'x70000", "caret 70004"};
        // Past a mebi-unit, blanks stand for the text, a mebi-unit an event at most.
        QTest::newRow("an edit too long to hand over")
            << "paste-huge" << QStringList {"ins 4 ' 'x1048576", "ins 1048580 '   '", "caret 1048583"};
        QTest::newRow("a lone LF as its stand-in")
            << "lone-lf" << QStringList {"ins 4 '\u2193'", "caret 5"};
        QTest::newRow("an LF after a CR: the CR's stand-in goes")
            << "cr-then-lf"
            << QStringList {"del 4 '\u2190'", "ins 4 '\r\n'", "caret 6"};
        QTest::newRow("a NUL as its stand-in, typed and deleted")
            << "nul" << QStringList {"ins 4 '\u2400'", "caret 5", "del 4 '\u2400'", "caret 4"};
    }

    void eventsFollowTheUser()
    {
        QFETCH(QString, action);
        QScopedPointer<TextView> view(shownView());
        view->setText(QStringLiteral("kata"));
        view->setCaret(4);
        take();
        if (action == "type")
            QTest::keyClicks(view.data(), "x");
        else if (action == "backspace")
            QTest::keyClick(view.data(), Qt::Key_Backspace);
        else if (action == "select")
            QTest::keyClick(view.data(), Qt::Key_Left, Qt::ShiftModifier);
        else if (action == "replace") {
            QTest::keyClick(view.data(), Qt::Key_Left, Qt::ShiftModifier);
            QTest::keyClicks(view.data(), "Z");
        } else if (action == "enter")
            QTest::keyClick(view.data(), Qt::Key_Return);
        else if (action == "settext")
            view->setText(QStringLiteral("baru"));
        else if (action == "paste-long")
            view->replaceRange(4, 0, QString(70000, u'w'));
        else if (action == "paste-huge")
            view->replaceRange(4, 0, QString((1 << 20) + 3, u'w'));
        else if (action == "lone-lf")
            view->replaceRange(4, 0, QStringLiteral("\n"));
        else if (action == "cr-then-lf") {
            view->replaceRange(4, 0, QStringLiteral("\r"));
            take();
            view->replaceRange(5, 0, QStringLiteral("\n"));
        } else if (action == "nul") {
            view->replaceRange(4, 0, QString(QChar(u'\0')));
            QTest::keyClick(view.data(), Qt::Key_Backspace);
        }
        QFETCH(QStringList, events);
        QCOMPARE(take(), events);
    }

    void editsThroughTheInterface_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("result");
        QTest::newRow("insert") << "insert"
                                << "kaXta";
        QTest::newRow("delete") << "delete"
                                << "ka";
        QTest::newRow("delete, the offsets the other way round") << "delete-reversed"
                                                                 << "ka";
        QTest::newRow("replace") << "replace"
                                 << "kYa";
        QTest::newRow("never splits a CR LF") << "split"
                                              << "kataQ\r\n";
    }

    void editsThroughTheInterface()
    {
        QFETCH(QString, edit);
        QScopedPointer<TextView> view(shownView());
        view->setText(QStringLiteral("kata"));
        QSignalSpy changed(view.data(), &TextView::textChanged);
        QAccessibleEditableTextInterface *editable = accessible(view.data())->editableTextInterface();
        QVERIFY(editable);
        if (edit == "insert")
            editable->insertText(2, "X");
        else if (edit == "delete")
            editable->deleteText(2, 4);
        else if (edit == "delete-reversed")
            editable->deleteText(4, 2);
        else if (edit == "replace")
            editable->replaceText(1, 3, "Y");
        else if (edit == "split") {
            view->setText(QStringLiteral("kata\r\n"));
            changed.clear();
            editable->insertText(5, "Q");
        }
        QFETCH(QString, result);
        QCOMPARE(view->text(), result);
        QCOMPARE(changed.count(), 1);
        QVERIFY(view->canUndo());
    }

    void geometryRoundTrip()
    {
        QScopedPointer<TextView> view(shownView());
        view->setText(QStringLiteral("kata\r\nkedua baris"));
        QAccessibleTextInterface *text = accessible(view.data())->textInterface();
        const int letter = QFontMetrics(view->font()).horizontalAdvance(u'k');
        for (int offset : {0, 3, 6, 9, 17}) {
            // The character's own box: as wide as it is drawn, its left edge at its offset.
            const QRect rect = text->characterRect(offset);
            QVERIFY2(rect.isValid(), qPrintable(QString::number(offset)));
            QVERIFY2(std::abs(rect.width() - letter) <= 1, qPrintable(QString::number(rect.width())));
            QCOMPARE(text->offsetAtPoint(QPoint(rect.left() + 1, rect.center().y())), offset);
        }
        QCOMPARE(text->offsetAtPoint(QPoint(-10000, -10000)), -1);
        // Right-to-left letters after left-to-right ones: each box is its own glyph's,
        // the first letter's rightmost, none overlapping another.
        view->setText(QStringLiteral("ab \u05E9\u05DC\u05D5\u05DD"));
        QRect before;
        for (int offset = 3; offset < 7; ++offset) {
            const QRect rect = text->characterRect(offset);
            QVERIFY2(rect.width() > 0 && rect.width() < 3 * letter, qPrintable(QString::number(offset)));
            if (offset > 3)
                QVERIFY2(rect.right() <= before.left() + 1, qPrintable(QStringLiteral("%1: %2-%3 after %4-%5").arg(offset).arg(rect.left()).arg(rect.right()).arg(before.left()).arg(before.right())));
            before = rect;
        }
    }

    void attributeRuns_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<bool>("grey");
        QTest::newRow("text before a stand-in") << 0 << 0 << 2 << false;
        QTest::newRow("a lone LF is a grey run of its own") << 2 << 2 << 3 << true;
        QTest::newRow("two stand-ins together") << 6 << 5 << 7 << true;
        QTest::newRow("a NUL: its box is drawn in the text's colour") << 9 << 7 << 11 << false;
        QTest::newRow("the end of the text: the last run") << 11 << 7 << 11 << false;
        QTest::newRow("the caret's") << -2 << 0 << 2 << false;
    }

    void attributeRuns()
    {
        QFETCH(int, offset);
        QScopedPointer<TextView> view(shownView());
        view->setForeColor(QColor(0x80, 0, 0));
        view->setText(QStringLiteral("ab\ncd\r\u2029ef") + QChar(u'\0') + u'g');
        QAccessibleTextInterface *text = accessible(view.data())->textInterface();
        // The reader gets what the screen shows, unit for unit.
        QCOMPARE(text->text(0, 11), QStringLiteral("ab\u2193cd\u2190\u00b6ef\u2400g"));
        int runStart = -1;
        int runEnd = -1;
        const QString attributes = text->attributes(offset, &runStart, &runEnd);
        QFETCH(int, start);
        QFETCH(int, end);
        QCOMPARE(std::make_pair(runStart, runEnd), std::make_pair(start, end));
        QFETCH(bool, grey);
        QVERIFY2(attributes.contains(grey ? "color:rgb(128,128,128);" : "color:rgb(128,0,0);"),
                 qPrintable(attributes));
        const QString family = QFontInfo(view->font()).family();
        QVERIFY2(attributes.startsWith("font-family:\"" + family + "\";font-size:"), qPrintable(attributes));
        QVERIFY(attributes.contains("font-weight:normal;font-style:normal;"));
        QVERIFY(attributes.contains("background-color:rgb("));
    }

    void stateAndValue()
    {
        QScopedPointer<TextView> view(shownView());
        view->setText(QStringLiteral("kata"));
        QAccessibleInterface *face = accessible(view.data());
        QCOMPARE(face->role(), QAccessible::EditableText);
        QVERIFY(face->state().editable && face->state().multiLine);
        QCOMPARE(face->text(QAccessible::Value), QStringLiteral("kata"));
        view->setText(QStringLiteral("ka") + QChar(u'\0') + QStringLiteral("ta"));
        QCOMPARE(face->text(QAccessible::Value), QStringLiteral("ka\u2400ta"));
        view->setText(QString(70000, u'a'));
        QCOMPARE(face->text(QAccessible::Value), QString()); // read through the text interface
        QCOMPARE(face->textInterface()->characterCount(), 70000);
    }
};

QTEST_MAIN(TestTextViewAccessible)
#include "tst_textview_accessible.moc"
