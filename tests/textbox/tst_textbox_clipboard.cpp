// Copy, cut, paste, the primary selection and drag and drop carry the text's real
// characters (lone LF, lone CR, U+2028, U+2029, CR LF between lines), never the
// stand-ins the box shows for them, and pasting gives the stand-ins back.
#include "textboxtest.h"

#include "textview/selectionmime.h"
#include "textview/shownchars.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>

using namespace wimblet;

namespace {

const QStringList kPlainTextOnly{QStringLiteral("text/plain")};

// Every character a layout would break at is drawn as a stand-in; none shows as a break.
bool holdsNoBreakingCharacter(const TextBox *box)
{
    const QString text = box->Text();
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (text.mid(at, 2) == QLatin1String("\r\n")) {
            ++at;
            continue;
        }
        if (standInOf(text[at].unicode()) != 0
            && !shownText(box->store(), at, 1).contains(QChar(standInOf(text[at].unicode()))))
            return false;
    }
    return true;
}

// Texts that hold each character the box shows as a stand-in, and what looks alike.
void addCharacterRows(const std::function<void(const char *, const QString &)> &add)
{
    add("lone LF", QStringLiteral("satu\ndua"));
    add("lone CR", QStringLiteral("a\rb\r"));
    add("U+2028", QString::fromUtf16(u"x\u2028y"));
    add("U+2029", QString::fromUtf16(u"p\u2029q"));
    add("typed arrows beside a lone LF", QString::fromUtf16(u"\u2193\n\u2193\u2190\u21B5\u00B6"));
    add("CR LF lines", QStringLiteral("one\r\ntwo\r\n"));
    add("surrogate pairs", QString::fromUtf16(u"\U0001F600\n\U0001D11E\r\n\U0001F600"));
    add("all together", QString::fromUtf16(u"\n\r\u2028\u2029\r\n\u2193\u00A0\uFDD0\uFFFD"));
}

} // namespace

void TextBoxTest::copyAndCutCarryRealCharacters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to"); // a CR LF counts once
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("clip");
    QTest::addColumn<QString>("after");
    const QKeySequence copy(QStringLiteral("Ctrl+C"));
    const QKeySequence copyIns(QStringLiteral("Ctrl+Ins"));
    const QKeySequence cut(QStringLiteral("Ctrl+X"));
    const QKeySequence cutDel(QStringLiteral("Shift+Del"));
    const QString none;
    QTest::newRow("lone LF, Ctrl+C") << "satu\ndua" << 0 << 8 << copy << "satu\ndua" << "satu\ndua";
    QTest::newRow("lone CR, Ctrl+Insert") << "a\rb" << 0 << 3 << copyIns << "a\rb" << "a\rb";
    QTest::newRow("U+2028, Ctrl+X") << QString::fromUtf16(u"x\u2028y") << 0 << 3 << cut
                                    << QString::fromUtf16(u"x\u2028y") << none;
    QTest::newRow("U+2029, Shift+Delete") << QString::fromUtf16(u"p\u2029q!") << 0 << 3 << cutDel
                                          << QString::fromUtf16(u"p\u2029q") << "!";
    QTest::newRow("typed arrow beside a lone LF") << QString::fromUtf16(u"\u2193\n\u2193") << 0 << 3
                                                  << copy << QString::fromUtf16(u"\u2193\n\u2193")
                                                  << QString::fromUtf16(u"\u2193\n\u2193");
    QTest::newRow("line breaks as CR LF") << "one\r\ntwo\r\n" << 0 << 8 << copy << "one\r\ntwo\r\n"
                                          << "one\r\ntwo\r\n";
    QTest::newRow("part across a break") << "ab\ncd\r\nef\rg" << 1 << 8 << copy << "b\ncd\r\nef"
                                         << "ab\ncd\r\nef\rg";
    QTest::newRow("ending after a break, cut") << "ab\r\ncd" << 0 << 3 << cut << "ab\r\n" << "cd";
    QTest::newRow("starting at a break") << "ab\r\ncd" << 2 << 4 << copy << "\r\nc" << "ab\r\ncd";
    QTest::newRow("lone LFs at both ends, Shift+Delete") << "\nmid\n" << 0 << 5 << cutDel
                                                         << "\nmid\n" << none;
    QTest::newRow("surrogate pairs")
        << QString::fromUtf16(u"\U0001F600\n\U0001D11E\r\n\U0001F600") << 0 << 8 << copy
        << QString::fromUtf16(u"\U0001F600\n\U0001D11E\r\n\U0001F600")
        << QString::fromUtf16(u"\U0001F600\n\U0001D11E\r\n\U0001F600");
    QTest::newRow("no-break space and tab") << QString::fromUtf16(u"a\u00A0b\tc") << 0 << 5 << copy
                                            << QString::fromUtf16(u"a\u00A0b\tc")
                                            << QString::fromUtf16(u"a\u00A0b\tc");
    // A stray byte's stand-in and a damaged UTF-16 unit are no characters elsewhere.
    const QString lone = QStringLiteral("a") + QChar(0xDC97) + u'b' + QChar(0xD800) + u'c';
    QTest::newRow("lone surrogates leave as U+FFFD")
        << lone << 0 << 5 << copy << QString::fromUtf16(u"a\uFFFDb\uFFFDc") << lone;
    QTest::newRow("noncharacters beside a real U+FFFD")
        << QString::fromUtf16(u"\uFDD0\uFFFD\uFDD1") << 0 << 3 << copyIns
        << QString::fromUtf16(u"\uFDD0\uFFFD\uFDD1") << QString::fromUtf16(u"\uFDD0\uFFFD\uFDD1");
}

void TextBoxTest::copyAndCutCarryRealCharacters()
{
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QKeySequence, keys);
    QFETCH(QString, clip);
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();

    m_box->setText(text);
    select(from, to);
    QTest::keySequence(m_box, keys);
    QCOMPARE(clipboard->text(), clip);
    // Plain text only: rich text would carry the stand-ins.
    QCOMPARE(clipboard->mimeData()->formats(), kPlainTextOnly);
    QTEST(m_box->Text(), "after");

    // What was copied stays as it was, whatever is typed next.
    QTest::keyClicks(m_box, QStringLiteral("z"));
    QCOMPARE(clipboard->text(), clip);
}

void TextBoxTest::pasteGivesBackTheCharacters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("copiedInBox");
    QTest::addColumn<QKeySequence>("paste");
    const QKeySequence ctrlV(QStringLiteral("Ctrl+V"));
    const QKeySequence shiftIns(QStringLiteral("Shift+Ins"));
    addCharacterRows([&](const char *name, const QString &text) {
        QTest::addRow("%s, Ctrl+V", name) << text << true << ctrlV;
        QTest::addRow("%s, Shift+Insert", name) << text << true << shiftIns;
        QTest::addRow("%s from another program", name) << text << false << ctrlV;
    });
}

void TextBoxTest::pasteGivesBackTheCharacters()
{
    QFETCH(QString, text);
    QFETCH(bool, copiedInBox);
    QFETCH(QKeySequence, paste);
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (copiedInBox) {
        m_box->setText(text);
        QTest::keyClick(m_box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(m_box, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), text);
    } else {
        clipboard->setText(text);
    }

    m_box->setText(QStringLiteral("[]"));
    select(1, 1);
    int changes = 0;
    connect(m_box, &TextBox::Change, this, [&] { ++changes; });
    QTest::keySequence(m_box, paste);
    const QString expected = QLatin1Char('[') + text + QLatin1Char(']');
    QCOMPARE(m_box->Text(), expected);
    QCOMPARE(changes, 1);
    QVERIFY(holdsNoBreakingCharacter(m_box));
    const std::optional<int> pastedLines = m_box->lines().lineCount();

    // One undo step takes it all back.
    QTest::keyClick(m_box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(m_box->Text(), QStringLiteral("[]"));

    // As many lines as the same text read from a file.
    m_box->setText(expected);
    QCOMPARE(m_box->lines().lineCount(), pastedLines);
}

void TextBoxTest::selectionDataKeepsItsText_data()
{
    QTest::addColumn<QKeySequence>("next");
    QTest::newRow("typed over") << QKeySequence(QStringLiteral("Z"));
    QTest::newRow("Delete") << QKeySequence(QStringLiteral("Del"));
    QTest::newRow("Backspace") << QKeySequence(QStringLiteral("Backspace"));
    QTest::newRow("Enter") << QKeySequence(QStringLiteral("Return"));
    QTest::newRow("Shift+Enter") << QKeySequence(QStringLiteral("Shift+Return"));
    QTest::newRow("Tab") << QKeySequence(QStringLiteral("Tab"));
    QTest::newRow("Ctrl+X") << QKeySequence(QStringLiteral("Ctrl+X"));
    QTest::newRow("Ctrl+V") << QKeySequence(QStringLiteral("Ctrl+V"));
    QTest::newRow("Shift+Insert") << QKeySequence(QStringLiteral("Shift+Ins"));
    QTest::newRow("selection moved, then typed over")
        << QKeySequence(QStringLiteral("Shift+Right, Z"));
    QTest::newRow("caret moved, then typed inside")
        << QKeySequence(QStringLiteral("Left, Right, Right, Q"));
}

// Data made from a selection (what a drag or the primary selection carries) reads
// the document lazily; any edit before it is read must not change what it holds.
void TextBoxTest::selectionDataKeepsItsText()
{
    QFETCH(QKeySequence, next);
    QGuiApplication::clipboard()->setText(QStringLiteral("Q\nQ"));
    m_box->setText(QStringLiteral("ab\ncd\r\nef"));
    select(1, 4);
    const auto data = std::make_unique<SelectionMime>(m_box->store(), m_box->selectionStart(),
                                                      m_box->selectionEnd());
    QCOMPARE(data->formats(), kPlainTextOnly);
    QVERIFY(!data->hasHtml());

    QTest::keySequence(m_box, next);
    QVERIFY(m_box->Text() != QStringLiteral("ab\ncd\r\nef"));
    QCOMPARE(data->text(), QStringLiteral("b\nc"));
}

void TextBoxTest::primarySelectionCarriesRealCharacters_data()
{
    QTest::addColumn<QString>("text");
    addCharacterRows([](const char *name, const QString &text) { QTest::newRow(name) << text; });
}

void TextBoxTest::primarySelectionCarriesRealCharacters()
{
    QFETCH(QString, text);
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection())
        QSKIP("This platform has no primary selection");
    m_box->setText(text);
    QTest::keyClick(m_box, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(clipboard->text(QClipboard::Selection), text);
    QCOMPARE(clipboard->mimeData(QClipboard::Selection)->formats(), kPlainTextOnly);

    // Typed over, then pasted with the middle button: the text that was selected.
    QTest::keyClicks(m_box, QStringLiteral("z"));
    QTest::mouseClick(m_box->viewport(), Qt::MiddleButton, Qt::NoModifier, pointOf(1));
    QCOMPARE(m_box->Text(), QLatin1Char('z') + text);
    QVERIFY(holdsNoBreakingCharacter(m_box));
}

void TextBoxTest::dropInsertsRealCharacters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("dropAt");
    QTest::addColumn<QString>("foreign"); // dragged from another program when not empty
    QTest::addColumn<bool>("asRichText");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("expected");
    const QString own;
    QTest::newRow("lone LF to the end")
        << "satu\ndua" << 4 << 5 << 8 << own << false << true << "satu\ndua\n";
    QTest::newRow("lines to the end")
        << "a\r\nb" << 0 << 3 << 3 << own << false << true << "a\r\nba\r\nb";
    QTest::newRow("separators between")
        << QString::fromUtf16(u"x\u2028\u2029\ry") << 1 << 4 << 5 << own << false << true
        << QString::fromUtf16(u"x\u2028\u2029\ry\u2028\u2029\r");
    QTest::newRow("typed arrow stays an arrow")
        << QString::fromUtf16(u"\u2193\n.") << 0 << 2 << 0 << own << false << true
        << QString::fromUtf16(u"\u2193\n\u2193\n.");
    QTest::newRow("foreign LF and U+2029")
        << "[]" << 0 << 0 << 1 << QString::fromUtf16(u"a\nb\u2029c") << false << true
        << QString::fromUtf16(u"[a\nb\u2029c]");
    QTest::newRow("foreign CR LF lines")
        << "[]" << 0 << 0 << 1 << "a\r\nb" << false << true << "[a\r\nb]";
    QTest::newRow("foreign rich text only")
        << "[]" << 0 << 0 << 1 << "<b>bold</b>" << true << false << "[]";
}

void TextBoxTest::dropInsertsRealCharacters()
{
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, dropAt);
    QFETCH(QString, foreign);
    QFETCH(bool, asRichText);
    QFETCH(bool, accepted);
    m_box->setText(text);
    std::unique_ptr<QMimeData> foreignData;
    const QMimeData *data = nullptr;
    if (foreign.isEmpty()) {
        select(from, to);
        foreignData = std::make_unique<SelectionMime>(m_box->store(), m_box->selectionStart(),
                                                      m_box->selectionEnd());
        data = foreignData.get();
    } else {
        foreignData = std::make_unique<QMimeData>();
        if (asRichText)
            foreignData->setHtml(foreign);
        else
            foreignData->setText(foreign);
        data = foreignData.get();
    }

    const QPoint at = pointOf(dropAt);
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_box->viewport(), &enter);
    QCOMPARE(enter.isAccepted(), accepted);
    if (accepted) {
        QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_box->viewport(), &move);
        QVERIFY(move.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_box->viewport(), &drop);
        QVERIFY(drop.isAccepted());
    }
    QTEST(m_box->Text(), "expected");
    QVERIFY(holdsNoBreakingCharacter(m_box));
}
