// Editing in the text view: typing, new-line keys, deleting by grapheme and word,
// undo steps, and one change signal per edit.
#include "viewtest.h"

#include <QApplication>
#include <QClipboard>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>

using namespace wimblet;
using namespace wimblet::viewtest;

class TextViewEditingTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_view = shownView(); }
    void cleanup()
    {
        delete m_view;
        m_view = nullptr;
    }

    void typingEditsAtTheCaret_data();
    void typingEditsAtTheCaret();
    void everyNewLineKeyBreaksWithCrLf_data();
    void everyNewLineKeyBreaksWithCrLf();
    void newLineKeysAreUndoneApartFromTyping_data();
    void newLineKeysAreUndoneApartFromTyping();
    void deletingTakesWholeGraphemes_data();
    void deletingTakesWholeGraphemes();
    void caretNeverStandsInsideAPair_data();
    void caretNeverStandsInsideAPair();
    void undoStepsFollowTheKeys_data();
    void undoStepsFollowTheKeys();
    void undoAndRedoShowTheCaret_data();
    void undoAndRedoShowTheCaret();
    void eachEditSignalsOnceBeforeReturning_data();
    void eachEditSignalsOnceBeforeReturning();
    void clipboardKeysCarryRealCharacters_data();
    void clipboardKeysCarryRealCharacters();
    void randomKeysKeepTheCaretWholeAndUndoAll_data();
    void randomKeysKeepTheCaretWholeAndUndoAll();

private:
    TextView *m_view = nullptr;
};

void TextViewEditingTest::typingEditsAtTheCaret_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("anchor");
    QTest::addColumn<qint64>("caret");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<qint64>("caretAfter");
    QTest::newRow("empty text") << QString() << 0ll << 0ll << "abc"
                                << "abc" << 3ll;
    QTest::newRow("middle") << "ad" << 1ll << 1ll << "bc"
                            << "abcd" << 3ll;
    QTest::newRow("replaces the selection") << "a123d" << 1ll << 4ll << "x"
                                            << "axd" << 2ll;
    QTest::newRow("replaces a backward selection") << "a123d" << 4ll << 1ll << "xy"
                                                   << "axyd" << 3ll;
    QTest::newRow("after a lone LF") << "a\nb" << 2ll << 2ll << "x"
                                     << "a\nxb" << 3ll;
    QTest::newRow("tab key") << "ab" << 1ll << 1ll << "\t"
                             << "a\tb" << 2ll;
    QTest::newRow("arrows then typing") << "abc" << 0ll << 0ll << ">>x<<y"
                                        << "aybxc" << 2ll;
}

void TextViewEditingTest::typingEditsAtTheCaret()
{
    QFETCH(QString, text);
    QFETCH(qint64, anchor);
    QFETCH(qint64, caret);
    QFETCH(QString, script);
    QFETCH(QString, expected);
    QFETCH(qint64, caretAfter);

    m_view->setText(text);
    m_view->setSelection(anchor, caret);
    play(m_view, script);
    QCOMPARE(m_view->text(), expected);
    QCOMPARE(m_view->caret(), caretAfter);
    QVERIFY(!m_view->hasSelection());
}

void TextViewEditingTest::everyNewLineKeyBreaksWithCrLf_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("keyText");
    const QString cr = QStringLiteral("\r");
    QTest::newRow("Enter") << int(Qt::Key_Return) << 0 << cr;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << cr;
    QTest::newRow("Shift+Enter") << int(Qt::Key_Return) << int(Qt::ShiftModifier) << cr;
    QTest::newRow("Shift+keypad Enter")
        << int(Qt::Key_Enter) << int(Qt::ShiftModifier | Qt::KeypadModifier) << cr;
    QTest::newRow("key typing U+2028") << int(Qt::Key_unknown) << 0 << QString(QChar::LineSeparator);
}

void TextViewEditingTest::everyNewLineKeyBreaksWithCrLf()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, keyText);

    m_view->setText(QStringLiteral("ab"));
    m_view->setCaret(1);
    QTest::sendKeyEvent(QTest::Click, m_view, Qt::Key(key), keyText, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(m_view->text(), QStringLiteral("a\r\nb"));
    QCOMPARE(m_view->caret(), 3);
    QCOMPARE(m_view->rowCount(), 2);
    QCOMPARE(m_view->rowOfOffset(m_view->caret()), 1);
}

void TextViewEditingTest::newLineKeysAreUndoneApartFromTyping_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("keyText");
    QTest::newRow("Enter") << int(Qt::Key_Return) << QStringLiteral("\r");
    QTest::newRow("key typing U+2028") << int(Qt::Key_unknown) << QString(QChar::LineSeparator);
}

void TextViewEditingTest::newLineKeysAreUndoneApartFromTyping()
{
    QFETCH(int, key);
    QFETCH(QString, keyText);

    m_view->setText(QStringLiteral("ab"));
    m_view->setCaret(1);
    QTest::keyClicks(m_view, QStringLiteral("x"));
    QTest::sendKeyEvent(QTest::Click, m_view, Qt::Key(key), keyText, Qt::NoModifier);
    QTest::keyClicks(m_view, QStringLiteral("y"));
    QStringList texts {m_view->text()};
    while (m_view->canUndo()) {
        m_view->undo();
        texts << m_view->text();
    }
    QCOMPARE(texts, (QStringList {"ax\r\nyb", "ax\r\nb", "axb", "ab"}));
}

void TextViewEditingTest::deletingTakesWholeGraphemes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("caret");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<qint64>("caretAfter");
    const int bs = Qt::Key_Backspace;
    const int del = Qt::Key_Delete;
    const int ctrl = Qt::ControlModifier;
    const QString pair = QString::fromUtf16(u"a\U0001F600b");
    QTest::newRow("Backspace over CR LF") << "ab\r\ncd" << 4ll << bs << 0 << "abcd" << 2ll;
    QTest::newRow("Delete over CR LF") << "ab\r\ncd" << 2ll << del << 0 << "abcd" << 2ll;
    QTest::newRow("Backspace over a lone LF") << "a\nb" << 2ll << bs << 0 << "ab" << 1ll;
    QTest::newRow("Backspace over CR before CR LF") << "a\r\r\nb" << 2ll << bs << 0 << "a\r\nb" << 1ll;
    QTest::newRow("Backspace over a surrogate pair") << pair << 3ll << bs << 0 << "ab" << 1ll;
    QTest::newRow("Delete over a surrogate pair") << pair << 1ll << del << 0 << "ab" << 1ll;
    QTest::newRow("Backspace takes a mark off its letter")
        << QString::fromUtf16(u"xe\u0301y") << 3ll << bs << 0 << QString::fromUtf16(u"xey") << 2ll;
    QTest::newRow("Backspace over an emoji with a skin tone")
        << QString::fromUtf16(u"x\U0001F44D\U0001F3FDy") << 5ll << bs << 0 << "xy" << 1ll;
    QTest::newRow("Delete over a letter and its marks")
        << QString::fromUtf16(u"xe\u0301\u0302y") << 1ll << del << 0 << "xy" << 1ll;
    QTest::newRow("Backspace at the start") << "ab" << 0ll << bs << 0 << "ab" << 0ll;
    QTest::newRow("Delete at the end") << "ab" << 2ll << del << 0 << "ab" << 2ll;
    QTest::newRow("Ctrl+Backspace takes the word") << "one two" << 7ll << bs << ctrl << "one " << 4ll;
    QTest::newRow("Ctrl+Backspace takes blanks and word")
        << "one two  " << 9ll << bs << ctrl << "one " << 4ll;
    QTest::newRow("Ctrl+Delete takes word and blanks")
        << "one two" << 0ll << del << ctrl << "two" << 0ll;
    QTest::newRow("Ctrl+Backspace at a line start takes the break")
        << "one\r\ntwo" << 5ll << bs << ctrl << "onetwo" << 3ll;
}

void TextViewEditingTest::deletingTakesWholeGraphemes()
{
    QFETCH(QString, text);
    QFETCH(qint64, caret);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, expected);
    QFETCH(qint64, caretAfter);

    m_view->setText(text);
    m_view->setCaret(caret);
    QTest::keyClick(m_view, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(m_view->text(), expected);
    QCOMPARE(m_view->caret(), caretAfter);
}

void TextViewEditingTest::caretNeverStandsInsideAPair_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("asked");
    QTest::addColumn<qint64>("placed");
    QTest::newRow("inside CR LF") << "ab\r\ncd" << 3ll << 2ll;
    QTest::newRow("inside a surrogate pair") << QString::fromUtf16(u"a\U0001F600b") << 2ll << 1ll;
    QTest::newRow("past the end") << "ab" << 9ll << 2ll;
    QTest::newRow("before the start") << "ab" << -4ll << 0ll;
}

void TextViewEditingTest::caretNeverStandsInsideAPair()
{
    QFETCH(QString, text);
    QFETCH(qint64, asked);
    QFETCH(qint64, placed);

    m_view->setText(text);
    m_view->setSelection(asked, asked);
    QCOMPARE(m_view->caret(), placed);
    QCOMPARE(m_view->anchor(), placed);
    // Moving right from there steps over the whole pair.
    QTest::keyClick(m_view, Qt::Key_Right);
    QVERIFY(m_view->caret() == m_view->length() || m_view->caret() >= asked + 1);
}

void TextViewEditingTest::undoStepsFollowTheKeys_data()
{
    QTest::addColumn<QString>("script");
    // The text after the script, then after each Ctrl+Z until nothing is left to undo.
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("typed words are one step") << "hello world" << QStringList {"hello world", ""};
    QTest::newRow("Enter is a step of its own")
        << "ab\rcd" << QStringList {"ab\r\ncd", "ab\r\n", "ab", ""};
    QTest::newRow("Backspaces merge") << "abcd\b\b" << QStringList {"ab", "abcd", ""};
    QTest::newRow("typing after Backspace is another step")
        << "abc\bxy" << QStringList {"abxy", "ab", "abc", ""};
    QTest::newRow("typing elsewhere is another step") << "abc<<x" << QStringList {"axbc", "abc", ""};
    QTest::newRow("Deletes merge") << "abcd<<<\x7f\x7f" << QStringList {"ad", "abcd", ""};
}

void TextViewEditingTest::undoStepsFollowTheKeys()
{
    QFETCH(QString, script);
    QFETCH(QStringList, texts);

    m_view->setText(QString());
    QVERIFY(!m_view->canUndo());
    play(m_view, script);
    QStringList seen {m_view->text()};
    while (m_view->canUndo()) {
        QTest::keyClick(m_view, Qt::Key_Z, Qt::ControlModifier);
        seen << m_view->text();
    }
    QCOMPARE(seen, texts);
    // Redo walks the same steps forward, by either key.
    for (int i = texts.size() - 2; i >= 0; --i) {
        if (i % 2)
            QTest::keyClick(m_view, Qt::Key_Y, Qt::ControlModifier);
        else
            QTest::keyClick(m_view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(m_view->text(), texts[i]);
    }
    QVERIFY(!m_view->canRedo());
}

void TextViewEditingTest::undoAndRedoShowTheCaret_data()
{
    // Keys pressed after a whole-text replace at the end of a long text ('u' for
    // Ctrl+Z, 'r' for Ctrl+Y, 't' for the view scrolled to the top); the caret shows.
    QTest::addColumn<QString>("keys");
    QTest::newRow("undo") << "u";
    QTest::newRow("undo and redo") << "ur";
    QTest::newRow("undo from the top") << "tu";
    QTest::newRow("redo from the top") << "utr";
}

void TextViewEditingTest::undoAndRedoShowTheCaret()
{
    QFETCH(QString, keys);

    QStringList lines;
    for (int i = 0; i < 400; ++i)
        lines << QStringLiteral("line %1 of the text").arg(i);
    m_view->setText(lines.join(QLatin1String("\r\n")));
    QTest::keyClick(m_view, Qt::Key_End, Qt::ControlModifier);
    const QString text = m_view->text();
    m_view->replaceAll(text.toUpper(), text);
    for (QChar key : keys) {
        if (key == u't')
            m_view->verticalScrollBar()->setValue(0);
        else
            QTest::keyClick(m_view, key == u'u' ? Qt::Key_Z : Qt::Key_Y, Qt::ControlModifier);
    }
    QCOMPARE(m_view->caret(), m_view->length());
    m_view->rowCount(); // every row counted: the caret's place is told exactly
    QVERIFY(m_view->viewport()->rect().contains(m_view->offsetRect(m_view->caret())));
}

void TextViewEditingTest::eachEditSignalsOnceBeforeReturning_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("changes");
    QTest::newRow("typing") << "abc" << 3;
    QTest::newRow("Enter") << "\r" << 1;
    QTest::newRow("Backspace with nothing before") << "\b" << 0;
    QTest::newRow("moves only") << "<><>" << 0;
    QTest::newRow("typing and Backspace") << "ab\b" << 3;
}

void TextViewEditingTest::eachEditSignalsOnceBeforeReturning()
{
    QFETCH(QString, script);
    QFETCH(int, changes);

    m_view->setText(QString());
    QSignalSpy spy(m_view, &TextView::textChanged);
    play(m_view, script);
    QCOMPARE(spy.count(), changes);
    // The text is already the new one, and undoable, when the signal comes.
    QString seen;
    bool undoable = false;
    connect(m_view, &TextView::textChanged, this, [&] {
        seen = m_view->text();
        undoable = m_view->canUndo();
    });
    QTest::keyClicks(m_view, QStringLiteral("z"));
    QCOMPARE(seen, m_view->text());
    QVERIFY(undoable);
}

void TextViewEditingTest::clipboardKeysCarryRealCharacters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("textAfter");
    const int ctrl = Qt::ControlModifier;
    const int shift = Qt::ShiftModifier;
    const QString mixed = QString::fromUtf16(u"a\nb\rc\u2028d\r\ne");
    QTest::newRow("Ctrl+C") << mixed << int(Qt::Key_C) << ctrl << mixed << mixed;
    QTest::newRow("Ctrl+Insert") << mixed << int(Qt::Key_Insert) << ctrl << mixed << mixed;
    QTest::newRow("Ctrl+X") << mixed << int(Qt::Key_X) << ctrl << mixed << QString();
    QTest::newRow("Shift+Delete") << mixed << int(Qt::Key_Delete) << shift << mixed << QString();
}

void TextViewEditingTest::clipboardKeysCarryRealCharacters()
{
    QFETCH(QString, text);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, clipboard);
    QFETCH(QString, textAfter);

    m_view->setText(text);
    QTest::keyClick(m_view, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(m_view, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    // Whatever is typed later, the clipboard keeps what was copied.
    QTest::keyClick(m_view, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(m_view, QStringLiteral("zz"));
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
    QCOMPARE(m_view->text(), textAfter + QStringLiteral("zz"));
    // Pasting gives the characters back, by either key.
    m_view->setText(QString());
    QTest::keyClick(m_view, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(m_view, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(m_view->text(), clipboard + clipboard);
}

void TextViewEditingTest::randomKeysKeepTheCaretWholeAndUndoAll_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed : {11u, 12u, 13u, 14u})
        QTest::addRow("seed %u", seed) << seed;
}

void TextViewEditingTest::randomKeysKeepTheCaretWholeAndUndoAll()
{
    QFETCH(quint32, seed);

    const QString original
        = QString::fromUtf16(u"one \U0001F600 two\r\nx\u0301y\tz\n\r\r\n").repeated(12);
    const Qt::Key keys[]
        = {Qt::Key_Left,   Qt::Key_Right,  Qt::Key_Up,       Qt::Key_Down,      Qt::Key_Home,
           Qt::Key_End,    Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Backspace, Qt::Key_Delete,
           Qt::Key_Return, Qt::Key_A,      Qt::Key_Space,    Qt::Key_Z,         Qt::Key_Y};
    const Qt::KeyboardModifiers modifiers[]
        = {Qt::NoModifier, Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier};
    QRandomGenerator rng(seed);
    m_view->resize(160, 120); // narrow: rows wrap
    m_view->setText(original);
    for (int i = 0; i < 400; ++i) {
        const Qt::Key key = keys[rng.bounded(int(std::size(keys)))];
        const Qt::KeyboardModifiers mods = modifiers[rng.bounded(4)];
        QTest::keyClick(m_view, key, mods);
        const TextStore &store = m_view->store();
        for (qint64 at : {m_view->caret(), m_view->anchor()}) {
            QVERIFY(at >= 0 && at <= store.length());
            QVERIFY(!(store.at(at - 1) == u'\r' && store.at(at) == u'\n'));
            QVERIFY(!(store.at(at - 1).isHighSurrogate() && store.at(at).isLowSurrogate()));
        }
    }
    const QString final = m_view->text();
    int steps = 0;
    for (; m_view->canUndo(); ++steps)
        m_view->undo();
    QCOMPARE(m_view->text(), original);
    for (; m_view->canRedo(); --steps)
        m_view->redo();
    QCOMPARE(steps, 0);
    QCOMPARE(m_view->text(), final);
}

QTEST_MAIN(TextViewEditingTest)
#include "tst_textview_editing.moc"
