// New-line keys: every key that starts a new line makes the CR LF break Enter makes,
// never the U+2028 that Qt gives Shift+Enter.
#include "plaintextboxtest.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QTest>

using namespace wimblet;

namespace {

const QChar kLineSeparator(0x2028);

// Types x, the key and y inside "ab", then undoes step by step: the texts seen.
QStringList typeAndUndo(PlainTextBox *box, int key, int modifiers, const QString &text)
{
    box->setText(QStringLiteral("ab"));
    box->moveCursor(QTextCursor::Start);
    box->moveCursor(QTextCursor::NextCharacter);
    QTest::keyClicks(box, QStringLiteral("x"));
    QTest::sendKeyEvent(QTest::Click, box, Qt::Key(key), text, Qt::KeyboardModifiers(modifiers));
    QTest::keyClicks(box, QStringLiteral("y"));
    QStringList seen{box->Text()};
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        seen << box->Text();
    }
    return seen;
}

} // namespace

void PlainTextBoxTest::newLineKeysBreakTheLineAsEnter_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text"); // what the key types
    const int shift = Qt::ShiftModifier;
    const int keypad = Qt::KeypadModifier;
    const QString cr = QStringLiteral("\r");
    QTest::newRow("Enter") << int(Qt::Key_Return) << 0 << cr;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << keypad << cr;
    QTest::newRow("Shift+Enter") << int(Qt::Key_Return) << shift << cr;
    QTest::newRow("Shift+keypad Enter") << int(Qt::Key_Enter) << (shift | keypad) << cr;
    QTest::newRow("Shift+Enter key without keypad flag") << int(Qt::Key_Enter) << shift << cr;
    QTest::newRow("key typing U+2028") << int(Qt::Key_unknown) << 0 << QString(kLineSeparator);
    QTest::newRow("Shift and key typing U+2028")
        << int(Qt::Key_unknown) << shift << QString(kLineSeparator);
}

void PlainTextBoxTest::newLineKeysBreakTheLineAsEnter()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);

    m_box->setText(QStringLiteral("ab"));
    m_box->moveCursor(QTextCursor::Start);
    m_box->moveCursor(QTextCursor::NextCharacter);
    QTest::sendKeyEvent(QTest::Click, m_box, Qt::Key(key), text, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(m_box->Text(), QStringLiteral("a\r\nb"));
    QCOMPARE(m_box->blockCount(), 2);
    QCOMPARE(m_box->lines().lineCount(), std::optional<int>(2));
    QCOMPARE(*m_box->lines().lineFromChar(*m_box->lines().selectionEnd()), 1);

    // Undone and redone in the same steps as Enter.
    const QStringList enter = typeAndUndo(m_box, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCOMPARE(enter.first(), QStringLiteral("ax\r\nyb"));
    QCOMPARE(typeAndUndo(m_box, key, modifiers, text), enter);
}

void PlainTextBoxTest::otherModifiedEnterNeverMakesLineSeparator_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    const int shift = Qt::ShiftModifier;
    const int ctrl = Qt::ControlModifier;
    const int alt = Qt::AltModifier;
    const int meta = Qt::MetaModifier;
    const int keypad = Qt::KeypadModifier;
    QTest::newRow("Ctrl+Enter") << int(Qt::Key_Return) << ctrl;
    QTest::newRow("Alt+Enter") << int(Qt::Key_Return) << alt;
    QTest::newRow("Meta+Enter") << int(Qt::Key_Return) << meta;
    QTest::newRow("Ctrl+Shift+Enter") << int(Qt::Key_Return) << (ctrl | shift);
    QTest::newRow("Alt+Shift+Enter") << int(Qt::Key_Return) << (alt | shift);
    QTest::newRow("Meta+Shift+Enter") << int(Qt::Key_Return) << (meta | shift);
    QTest::newRow("Ctrl+keypad Enter") << int(Qt::Key_Enter) << (ctrl | keypad);
    QTest::newRow("Meta+Shift+keypad Enter") << int(Qt::Key_Enter) << (meta | shift | keypad);
}

void PlainTextBoxTest::otherModifiedEnterNeverMakesLineSeparator()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    m_box->setText(QStringLiteral("ab"));
    m_box->moveCursor(QTextCursor::Start);
    m_box->moveCursor(QTextCursor::NextCharacter);
    QTest::sendKeyEvent(QTest::Click, m_box, Qt::Key(key), QStringLiteral("\r"),
                        Qt::KeyboardModifiers(modifiers));
    // Whatever such a key does, it is never a break that the text does not hold.
    QVERIFY(!m_box->Text().contains(kLineSeparator));
    if (m_box->Text() != QStringLiteral("ab")) {
        QCOMPARE(m_box->Text(), QStringLiteral("a\r\nb"));
        QCOMPARE(m_box->lines().lineCount(), std::optional<int>(2));
    } else {
        QCOMPARE(m_box->lines().lineCount(), std::optional<int>(1));
    }
}

void PlainTextBoxTest::committedLineSeparatorBreaksTheLine_data()
{
    QTest::addColumn<QString>("commit");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("lines");
    QTest::newRow("plain text") << QStringLiteral("x") << QStringLiteral("axb") << 1;
    QTest::newRow("U+2028") << QString(kLineSeparator) << QStringLiteral("a\r\nb") << 2;
    QTest::newRow("inside text") << QStringLiteral("x%1y").arg(kLineSeparator)
                                 << QStringLiteral("ax\r\nyb") << 2;
    QTest::newRow("two") << QString(2, kLineSeparator) << QStringLiteral("a\r\n\r\nb") << 3;
}

void PlainTextBoxTest::committedLineSeparatorBreaksTheLine()
{
    QFETCH(QString, commit);
    m_box->setText(QStringLiteral("ab"));
    m_box->moveCursor(QTextCursor::Start);
    m_box->moveCursor(QTextCursor::NextCharacter);
    QInputMethodEvent event;
    event.setCommitString(commit);
    QApplication::sendEvent(m_box, &event);
    QTEST(m_box->Text(), "expected");
    QTEST(*m_box->lines().lineCount(), "lines");
}
