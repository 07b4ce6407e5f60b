// The text view as a widget: what it paints, its context menu, input methods, drops,
// the primary selection, scrolling and the change signal of a whole-text write.
#include "viewtest.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>

#include <cmath>

using namespace wimblet;
using namespace wimblet::viewtest;

namespace {

// The darkest grey level painted in the viewport.
int darkest(TextView *view)
{
    const QImage image = view->viewport()->grab().toImage();
    int level = 255;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            level = std::min(level, qGray(image.pixel(x, y)));
    return level;
}

// The rightmost column of the viewport holding a dark pixel.
int inkRight(TextView *view)
{
    const QImage image = view->viewport()->grab().toImage();
    int right = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 100)
                right = std::max(right, x);
    return right;
}

// Pixels of the viewport painted in a colour near `colour`.
int pixelsNear(TextView *view, const QColor &colour)
{
    const QImage image = view->viewport()->grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) + qAbs(c.green() - colour.green())
                    + qAbs(c.blue() - colour.blue())
                < 24)
                ++count;
        }
    return count;
}

QStringList enabledActions(QMenu *menu)
{
    QStringList names;
    for (QAction *action : menu->actions())
        if (!action->isSeparator() && action->isEnabled())
            names << action->text().section(u'\t', 0, 0).remove(u'&');
    return names;
}

} // namespace

class TextViewWidgetTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_view = shownView();
        QVERIFY(QTest::qWaitForWindowActive(m_view));
    }
    void cleanup()
    {
        delete m_view;
        m_view = nullptr;
    }

    void selectionShowsOnlyWithFocus();
    void standInsAreGreyAndRealGlyphsAreNot_data();
    void standInsAreGreyAndRealGlyphsAreNot();
    void foreColourPaintsTheText();
    void contextMenuEnablesWhatApplies_data();
    void contextMenuEnablesWhatApplies();
    void inputMethodCommitsButNeverKeepsPreedit_data();
    void inputMethodCommitsButNeverKeepsPreedit();
    void surroundingTextIsBounded();
    void droppedTextGoesInAtThePoint_data();
    void droppedTextGoesInAtThePoint();
    void middleClickPastesThePrimarySelection();
    void wheelScrollsByRows_data();
    void wheelScrollsByRows();
    void scrollBarReachesTheEndBeforeRowsAreCounted();
    void scrollBarStandsWhereTheViewIsWhileRowsAreCounted();
    void rowsTakeTheWholeWidthInsideTheMargins();
    void viewKeysWinOverShortcuts_data();
    void viewKeysWinOverShortcuts();
    void clicksAndKeyReleasesAreSignalled();
    void setTextSignalsOnlyWhenTheTextDiffers_data();
    void setTextSignalsOnlyWhenTheTextDiffers();

private:
    TextView *m_view = nullptr;
};

void TextViewWidgetTest::selectionShowsOnlyWithFocus()
{
    const QColor highlight = m_view->palette().color(QPalette::Highlight);
    m_view->setText(QStringLiteral("some selected text"));
    m_view->selectAll();
    QVERIFY(m_view->hasFocus());
    QVERIFY(pixelsNear(m_view, highlight) > 100);
    auto *other = new QWidget;
    other->show();
    QVERIFY(QTest::qWaitForWindowActive(other));
    QVERIFY(!m_view->hasFocus());
    QCOMPARE(pixelsNear(m_view, highlight), 0);
    delete other;
}

void TextViewWidgetTest::standInsAreGreyAndRealGlyphsAreNot_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("grey");
    QTest::newRow("lone LF") << "\n\n\n\n" << true;
    QTest::newRow("lone CR") << "\r\r\r\r" << true;
    QTest::newRow("line separator") << QString(4, QChar::LineSeparator) << true;
    QTest::newRow("the arrow typed") << QString(4, QChar(0x2193)) << false;
}

void TextViewWidgetTest::standInsAreGreyAndRealGlyphsAreNot()
{
    QFETCH(QString, text);
    QFETCH(bool, grey);

    m_view->setForeColor(Qt::black);
    m_view->setText(text);
    m_view->clearFocus(); // no caret
    QCOMPARE(m_view->rowCount(), 1);
    // Black text has black pixels; grey stand-ins none darker than their grey.
    const int level = darkest(m_view);
    QVERIFY(level < 200); // something was drawn
    QCOMPARE(level >= 100, grey);
}

void TextViewWidgetTest::foreColourPaintsTheText()
{
    m_view->setText(QStringLiteral("MMMMMMMM"));
    m_view->setForeColor(QColor(200, 0, 0));
    QVERIFY(pixelsNear(m_view, QColor(200, 0, 0)) > 20);
    m_view->setForeColor(QColor(0, 0, 200));
    QCOMPARE(pixelsNear(m_view, QColor(200, 0, 0)), 0);
}

void TextViewWidgetTest::contextMenuEnablesWhatApplies_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("select");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QStringList>("enabled");
    QTest::addColumn<bool>("shiftF10"); // opened by Shift+F10 at the caret, not the mouse
    QTest::newRow("empty") << QString() << false << QString() << QStringList {} << false;
    QTest::newRow("typed") << "ab" << false << QString() << QStringList {"Undo", "Select All"} << false;
    QTest::newRow("undone") << "ab" << false << "x" << QStringList {"Redo", "Paste"} << false;
    QTest::newRow("selected") << "ab" << true << QString()
                              << QStringList {"Undo", "Cut", "Copy", "Delete", "Select All"} << false;
    QTest::newRow("Shift+F10 after typing")
        << "abc\rdefgh" << false << QString() << QStringList {"Undo", "Select All"} << true;
    QTest::newRow("Shift+F10 on a selection")
        << "ab" << true << QString() << QStringList {"Undo", "Cut", "Copy", "Delete", "Select All"}
        << true;
}

void TextViewWidgetTest::contextMenuEnablesWhatApplies()
{
    QFETCH(QString, script);
    QFETCH(bool, select);
    QFETCH(QString, clipboard);
    QFETCH(QStringList, enabled);
    QFETCH(bool, shiftF10);

    QGuiApplication::clipboard()->setText(clipboard);
    m_view->setText(QString());
    play(m_view, script);
    if (QTest::currentDataTag() == QLatin1String("undone"))
        m_view->undo();
    if (select)
        m_view->selectAll();
    QPoint at = m_view->mapToGlobal(QPoint(10, 10));
    if (shiftF10) {
        QTest::keyClick(m_view, Qt::Key_F10, Qt::ShiftModifier);
        at = m_view->viewport()->mapToGlobal(m_view->offsetRect(m_view->caret()).center());
    } else {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), at);
        QApplication::sendEvent(m_view->viewport(), &event);
    }
    auto *menu = m_view->findChild<QMenu *>();
    QVERIFY(menu);
    QCOMPARE(menu->pos(), at);
    QCOMPARE(enabledActions(menu), enabled);
    QVERIFY(menu->actions().first()->text().endsWith(QKeySequence(QKeySequence::Undo).toString()));
    menu->close();
}

void TextViewWidgetTest::inputMethodCommitsButNeverKeepsPreedit_data()
{
    QTest::addColumn<QString>("preedit");
    QTest::addColumn<QString>("commit");
    QTest::addColumn<QString>("expected");
    QTest::newRow("preedit only") << "ka" << QString() << "ab";
    QTest::newRow("commit") << QString() << QString::fromUtf16(u"\u304B")
                            << QString::fromUtf16(u"a\u304Bb");
    QTest::newRow("committed separator breaks the line")
        << QString() << QString(QChar::LineSeparator) << "a\r\nb";
}

void TextViewWidgetTest::inputMethodCommitsButNeverKeepsPreedit()
{
    QFETCH(QString, preedit);
    QFETCH(QString, commit);
    QFETCH(QString, expected);

    m_view->setText(QStringLiteral("ab"));
    m_view->setForeColor(Qt::black);
    m_view->setCaret(1);
    const int plainRight = inkRight(m_view);
    QInputMethodEvent event(preedit, {});
    event.setCommitString(commit);
    QApplication::sendEvent(m_view, &event);
    QCOMPARE(m_view->text(), expected);
    // The text being composed is drawn in the row, pushing the rest right.
    if (!preedit.isEmpty())
        QVERIFY(inkRight(m_view) > plainRight + 10);
    // The input method reads the caret's paragraph.
    QCOMPARE(m_view->inputMethodQuery(Qt::ImSurroundingText).toString(),
             expected.mid(expected.lastIndexOf(u'\n') + 1));
}

void TextViewWidgetTest::surroundingTextIsBounded()
{
    m_view->setText(QString(100000, u'a'));
    m_view->setCaret(50000);
    const QString around = m_view->inputMethodQuery(Qt::ImSurroundingText).toString();
    QVERIFY(around.size() < 2000);
    const int at = m_view->inputMethodQuery(Qt::ImCursorPosition).toInt();
    QVERIFY(at > 0 && at < around.size());
}

void TextViewWidgetTest::droppedTextGoesInAtThePoint_data()
{
    QTest::addColumn<QString>("dropped");
    QTest::newRow("plain") << "xyz";
    QTest::newRow("lone LF and CR LF") << "x\ny\r\nz";
}

void TextViewWidgetTest::droppedTextGoesInAtThePoint()
{
    QFETCH(QString, dropped);

    m_view->setText(QStringLiteral("hello"));
    QMimeData data;
    data.setText(dropped);
    const QPointF start(4.5, 4 + std::ceil(QFontMetricsF(m_view->font()).height()) / 2);
    m_view->setSelection(1, 3);
    QDragEnterEvent enter(start.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(m_view->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    // Hovering keeps the selection: a move of it reads it when dropped.
    QDragMoveEvent move(start.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(m_view->viewport(), &move);
    QVERIFY(move.isAccepted());
    QCOMPARE(m_view->selectedText(), QStringLiteral("el"));
    QDropEvent drop(start, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(m_view->viewport(), &drop);
    QCOMPARE(m_view->text(), dropped + QStringLiteral("hello"));
    QCOMPARE(m_view->selectedText(), dropped);
}

void TextViewWidgetTest::middleClickPastesThePrimarySelection()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection())
        QSKIP("This platform has no primary selection");
    const QString text = QStringLiteral("a\nb");
    m_view->setText(text);
    QTest::keyClick(m_view, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(clipboard->text(QClipboard::Selection), text);
    QTest::keyClicks(m_view, QStringLiteral("z"));
    QTest::mouseClick(m_view->viewport(), Qt::MiddleButton, {}, QPoint(200, 5));
    QCOMPARE(m_view->text(), QLatin1Char('z') + text);
}

void TextViewWidgetTest::wheelScrollsByRows_data()
{
    QTest::addColumn<QPoint>("pixelDelta");
    QTest::addColumn<QPoint>("angleDelta");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("ctrl");
    QTest::addColumn<bool>("fromEnd"); // scrolled to the end first: `rows` counts from the last page
    const int rowHeight = int(std::ceil(QFontMetricsF(monospace()).height()));
    QTest::newRow("one notch down") << QPoint() << QPoint(0, -120) << QApplication::wheelScrollLines()
                                    << false << false;
    QTest::newRow("pixels down") << QPoint(0, -5 * rowHeight - 1) << QPoint(0, -120) << 5 << false
                                 << false;
    QTest::newRow("up at the top") << QPoint() << QPoint(0, 120) << 0 << false << false;
    // The font stays as set: Ctrl with the wheel neither zooms nor scrolls.
    QTest::newRow("Ctrl+wheel") << QPoint() << QPoint(0, -120) << 0 << true << false;
    // The rows above are not counted yet: the view steps back over them, not to the start.
    QTest::newRow("up from the end while rows are counted")
        << QPoint() << QPoint(0, 120) << -QApplication::wheelScrollLines() << false << true;
}

void TextViewWidgetTest::wheelScrollsByRows()
{
    QFETCH(QPoint, pixelDelta);
    QFETCH(QPoint, angleDelta);
    QFETCH(int, rows);
    QFETCH(bool, ctrl);
    QFETCH(bool, fromEnd);

    m_view->setText(QStringLiteral("line\r\n").repeated(100));
    if (fromEnd)
        m_view->setCaret(m_view->length());
    const QFont font = m_view->font();
    const QPointF at(50, 50);
    QWheelEvent wheel(at, m_view->mapToGlobal(at), pixelDelta, angleDelta, Qt::NoButton,
                      ctrl ? Qt::ControlModifier : Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(m_view->viewport(), &wheel);
    QCOMPARE(m_view->font(), font);
    if (fromEnd) {
        const qint64 lastPage = m_view->rowCount() - m_view->verticalScrollBar()->pageStep();
        QCOMPARE(m_view->topRow(), lastPage + rows);
        return;
    }
    QCOMPARE(m_view->topRow(), rows);
    QCOMPARE(m_view->verticalScrollBar()->value(), rows);
}

void TextViewWidgetTest::scrollBarReachesTheEndBeforeRowsAreCounted()
{
    // No event is processed between: the idle count has not run.
    m_view->setText(QStringLiteral("line\r\n").repeated(100));
    QScrollBar *bar = m_view->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    bar->setValue(bar->maximum());
    const qint64 rows = m_view->rowCount(); // counted now, so that the top row is exact
    QCOMPARE(m_view->topRow() + bar->pageStep(), rows);
}

void TextViewWidgetTest::scrollBarStandsWhereTheViewIsWhileRowsAreCounted()
{
    m_view->setText(QStringLiteral("kata kata kata kata kata kata kata\r\n").repeated(20000));
    QScrollBar *bar = m_view->verticalScrollBar();
    m_view->rowCount(); // every row counted
    m_view->setCaret(m_view->length());
    QVERIFY(m_view->rowsExact());
    // A new width: every row is counted again, none yet.
    m_view->resize(m_view->width() - 150, m_view->height());
    QVERIFY(!m_view->rowsExact());
    QVERIFY2(bar->value() > bar->maximum() * 0.95, qPrintable(QString::number(bar->value())));
    // The thumb dragged to the middle shows the middle of the text.
    bar->setValue(bar->maximum() / 2);
    m_view->rowCount(); // counted now, so that the top row is told exactly
    const double shown = double(m_view->rowStart(m_view->topRow())) / double(m_view->length());
    QVERIFY2(shown > 0.4 && shown < 0.6, qPrintable(QString::number(shown)));
}

void TextViewWidgetTest::rowsTakeTheWholeWidthInsideTheMargins()
{
    // A row as full as the text box's: a text exactly as wide as the room stays on one row.
    QCOMPARE(m_view->rowWidth(), m_view->viewport()->width() - 8);
    const QFontMetricsF metrics(m_view->font());
    QString text;
    while (metrics.horizontalAdvance(text + QLatin1Char('x')) <= m_view->rowWidth())
        text += QLatin1Char('x');
    m_view->setText(text);
    QCOMPARE(m_view->rowCount(), 1);
    m_view->setText(text + QLatin1Char('x'));
    QCOMPARE(m_view->rowCount(), 2);
}

void TextViewWidgetTest::viewKeysWinOverShortcuts_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("taken");
    QTest::newRow("Ctrl+Z") << int(Qt::Key_Z) << int(Qt::ControlModifier) << QString() << true;
    QTest::newRow("Ctrl+V") << int(Qt::Key_V) << int(Qt::ControlModifier) << QString() << true;
    QTest::newRow("letter") << int(Qt::Key_A) << 0 << "a" << true;
    QTest::newRow("Shift+letter") << int(Qt::Key_A) << int(Qt::ShiftModifier) << "A" << true;
    QTest::newRow("Alt+letter stays the menu's")
        << int(Qt::Key_F) << int(Qt::AltModifier) << "f" << false;
    QTest::newRow("F5") << int(Qt::Key_F5) << 0 << QString() << false;
    QTest::newRow("Ctrl+Y") << int(Qt::Key_Y) << int(Qt::ControlModifier) << QString() << true;
    QTest::newRow("Ctrl+Shift+Z") << int(Qt::Key_Z) << int(Qt::ControlModifier | Qt::ShiftModifier)
                                  << QString() << true;
    QTest::newRow("Shift+F10") << int(Qt::Key_F10) << int(Qt::ShiftModifier) << QString() << true;
}

void TextViewWidgetTest::viewKeysWinOverShortcuts()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(bool, taken);

    QKeyEvent event(QEvent::ShortcutOverride, key, Qt::KeyboardModifiers(modifiers), text);
    event.ignore();
    QApplication::sendEvent(m_view, &event);
    QCOMPARE(event.isAccepted(), taken);
}

void TextViewWidgetTest::clicksAndKeyReleasesAreSignalled()
{
    m_view->setText(QStringLiteral("abc"));
    QSignalSpy clicks(m_view, &TextView::clicked);
    QSignalSpy releases(m_view, &TextView::keyReleased);
    // The caret has moved by the time the click is told.
    qint64 caretSeen = -1;
    connect(m_view, &TextView::clicked, this, [&] { caretSeen = m_view->caret(); });
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, QPoint(200, 5));
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(caretSeen, 3);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Left, Qt::ShiftModifier);
    QApplication::sendEvent(m_view, &release);
    QCOMPARE(releases.count(), 1);
    QCOMPARE(releases.first().at(0).toInt(), int(Qt::Key_Left));
    QCOMPARE(releases.first().at(1).value<Qt::KeyboardModifiers>(), Qt::ShiftModifier);
}

void TextViewWidgetTest::setTextSignalsOnlyWhenTheTextDiffers_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("signals");
    QTest::newRow("different") << "a"
                               << "b" << 1;
    QTest::newRow("same") << "a\r\nb"
                          << "a\r\nb" << 0;
    QTest::newRow("to empty") << "a" << QString() << 1;
}

void TextViewWidgetTest::setTextSignalsOnlyWhenTheTextDiffers()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(int, signals);

    m_view->setText(before);
    QTest::keyClicks(m_view, QStringLiteral("x"));
    QTest::keyClick(m_view, Qt::Key_Backspace);
    QSignalSpy spy(m_view, &TextView::textChanged);
    m_view->setText(after);
    QCOMPARE(spy.count(), signals);
    QVERIFY(!m_view->canUndo());
    QCOMPARE(m_view->caret(), 0);
}

QTEST_MAIN(TextViewWidgetTest)
#include "tst_textview_widget.moc"
