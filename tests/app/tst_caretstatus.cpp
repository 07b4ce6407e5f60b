// The caret position status in the real window: the figures, the events that
// refresh them and those that do not, wrapped rows, and steps that fail.
#include "app/caretstatus.h"
#include "document/documentcommands.h"
#include "app/frmNotepad.h"
#include "support/scripteddialogs.h"

#include <QFile>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <stdexcept>

using namespace wimblet;

namespace {

constexpr int kReal = -1000001; // the query is answered by the box
constexpr int kFail = -1000002; // the query fails
constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();

// Line queries that fail or lie on request, as a broken toolkit would.
class ScriptedQueries : public ViewLineQueries
{
public:
    using ViewLineQueries::ViewLineQueries;
    int count = kReal, end = kReal, line = kReal, start = kReal;

    std::optional<int> lineCount() const override { return pick(count, ViewLineQueries::lineCount()); }
    std::optional<int> selectionEnd() const override
    {
        return pick(end, ViewLineQueries::selectionEnd());
    }
    std::optional<int> lineFromChar(int offset) const override
    {
        return pick(line, ViewLineQueries::lineFromChar(offset));
    }
    std::optional<int> lineIndex(int l) const override
    {
        return pick(start, ViewLineQueries::lineIndex(l));
    }

private:
    static std::optional<int> pick(int scripted, std::optional<int> real)
    {
        if (scripted == kReal)
            return real;
        if (scripted == kFail)
            return std::nullopt;
        return scripted;
    }
};

enum Event { Typing, Deleting, Click, ShiftRelease, CtrlRelease, ProgramWrite, Resize, Scroll,
             FocusMove, SaveUnchanged };

} // namespace

class CaretStatusTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { m_window.reset(); }

    void panelsShowLineColumnAndCount_data();
    void panelsShowLineColumnAndCount();
    void loadStepRefreshesBeforeFirstShow();
    void onlyChangesClicksAndKeyReleasesRefresh_data();
    void onlyChangesClicksAndKeyReleasesRefresh();
    void wrappedLinesFollowTheWidthAtTheNextRefresh();
    void figuresAtTheEndOfALongDocumentShowWhole();
    void largeTextFiguresBecomeExactOnceCounted_data();
    void largeTextFiguresBecomeExactOnceCounted();
    void failingStepIsSkipped_data();
    void failingStepIsSkipped();
    void throwingStepsLeaveTheOthers();

private:
    void show();
    void select(int anchor, int position);
    QString panel(int index) const { return m_window->components().StatusBar1->Panels(index)->Text(); }

    testsupport::ScriptedMessageBox m_boxes;
    testsupport::ScriptedFileDialog m_files;
    std::unique_ptr<frmNotepad> m_window;
};

void CaretStatusTest::init()
{
    m_window = std::make_unique<frmNotepad>(NotepadServices{&m_boxes, &m_files, {}});
}

void CaretStatusTest::show()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void CaretStatusTest::select(int anchor, int position)
{
    // Positions count a line break once; the box's offsets count CR LF as two.
    TextBox *txt = m_window->components().txt;
    const QString text = txt->Text();
    auto offsetOf = [&text](int wanted) {
        int offset = 0;
        for (int seen = 0; seen < wanted && offset < text.size(); ++seen)
            offset += text.mid(offset, 2) == QLatin1String("\r\n") ? 2 : 1;
        return offset;
    };
    txt->setSelection(offsetOf(anchor), offsetOf(position));
}

void CaretStatusTest::panelsShowLineColumnAndCount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("anchor"); // positions in the box: a line break counts once
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("lineColumn");
    QTest::addColumn<QString>("lines");
    QTest::newRow("empty") << "" << 0 << 0 << "Ln 1, Col 1 " << "1 Lines ";
    QTest::newRow("abc, caret at end") << "abc" << 3 << 3 << "Ln 1, Col 4 " << "1 Lines ";
    QTest::newRow("between d and e") << "abc\r\nde" << 5 << 5 << "Ln 2, Col 2 " << "2 Lines ";
    QTest::newRow("ends in a break") << "abc\r\n" << 4 << 4 << "Ln 2, Col 1 " << "2 Lines ";
    QTest::newRow("selected 2 to 5") << "abcdefg" << 2 << 5 << "Ln 1, Col 6 " << "1 Lines ";
    QTest::newRow("selected 5 to 2") << "abcdefg" << 5 << 2 << "Ln 1, Col 6 " << "1 Lines ";
    QTest::newRow("lone LF is no break") << "ab\ncd" << 5 << 5 << "Ln 1, Col 6 " << "1 Lines ";
    QStringList lines(7000, QStringLiteral("0123456789"));
    // Line 6001, column 4: offset 6000 * 12 + 3 = 72003.
    QTest::newRow("beyond 65535") << lines.join(QStringLiteral("\r\n")) << 66003 << 66003
                                  << "Ln 6001, Col 4 " << "7000 Lines ";
}

void CaretStatusTest::panelsShowLineColumnAndCount()
{
    QFETCH(QString, text);
    QFETCH(int, anchor);
    QFETCH(int, position);
    show();
    m_window->components().txt->setText(text);
    select(anchor, position);
    m_window->RefreshCaretStatus();
    QTEST(panel(3), "lineColumn");
    QTEST(panel(4), "lines");
}

void CaretStatusTest::loadStepRefreshesBeforeFirstShow()
{
    QCOMPARE(panel(3), QStringLiteral("3"));
    QCOMPARE(panel(4), QStringLiteral("4"));
    m_window->components().txt->blockSignals(true); // a design text, as if set before the load step
    m_window->components().txt->setText(QStringLiteral("ab\r\ncd"));
    m_window->components().txt->blockSignals(false);
    QString atShow3, atShow4;
    struct ShowProbe : QObject {
        std::function<void()> seen;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Show)
                seen();
            return false;
        }
    } probe;
    probe.seen = [&] {
        atShow3 = panel(3);
        atShow4 = panel(4);
    };
    m_window->installEventFilter(&probe);
    show();
    m_window->removeEventFilter(&probe);
    QCOMPARE(atShow3, QStringLiteral("Ln 1, Col 1 "));
    QCOMPARE(atShow4, QStringLiteral("2 Lines "));
}

void CaretStatusTest::onlyChangesClicksAndKeyReleasesRefresh_data()
{
    QTest::addColumn<int>("event");
    QTest::addColumn<QString>("lineColumn"); // "x" and "y": the panels were left alone
    QTest::addColumn<QString>("lines");
    // The text: "abc", "de" and sixty lines of a dot; the caret between d and e.
    QTest::newRow("typing") << int(Typing) << "Ln 2, Col 3 " << "62 Lines ";
    QTest::newRow("deleting") << int(Deleting) << "Ln 2, Col 1 " << "62 Lines ";
    QTest::newRow("click") << int(Click) << "Ln 1, Col 1 " << "62 Lines ";
    QTest::newRow("Shift alone released") << int(ShiftRelease) << "Ln 2, Col 2 " << "62 Lines ";
    QTest::newRow("Ctrl alone released") << int(CtrlRelease) << "Ln 2, Col 2 " << "62 Lines ";
    QTest::newRow("written by the program") << int(ProgramWrite) << "Ln 1, Col 1 " << "3 Lines ";
    QTest::newRow("resize") << int(Resize) << "x" << "y";
    QTest::newRow("scroll") << int(Scroll) << "x" << "y";
    QTest::newRow("focus moves") << int(FocusMove) << "x" << "y";
    QTest::newRow("Save of an unchanged document") << int(SaveUnchanged) << "x" << "y";
}

void CaretStatusTest::onlyChangesClicksAndKeyReleasesRefresh()
{
    QFETCH(int, event);
    show();
    TextBox *txt = m_window->components().txt;
    txt->setText(QStringLiteral("abc\r\nde") + QStringLiteral("\r\n.").repeated(60));
    select(5, 5);
    auto *other = new QLineEdit(m_window->clientArea());
    other->show();
    m_window->components().StatusBar1->Panels(3)->setText(QStringLiteral("x"));
    m_window->components().StatusBar1->Panels(4)->setText(QStringLiteral("y"));
    switch (Event(event)) {
    case Typing: QTest::keyPress(txt, Qt::Key_Z); break; // the change alone, no release yet
    case Deleting: QTest::keyPress(txt, Qt::Key_Backspace); break;
    case Click: QTest::mouseClick(txt->viewport(), Qt::LeftButton, {}, QPoint(1, 1)); break;
    case ShiftRelease: QTest::keyRelease(txt, Qt::Key_Shift, Qt::ShiftModifier); break;
    case CtrlRelease: QTest::keyRelease(txt, Qt::Key_Control, Qt::ControlModifier); break;
    case ProgramWrite:
        other->setFocus();
        txt->setText(QStringLiteral("1\r\n2\r\n3"));
        QVERIFY(txt->hasFocus()); // the refresh's last step
        break;
    case Resize: m_window->resize(m_window->width() - 200, m_window->height() - 50); break;
    case Scroll:
        QVERIFY(txt->verticalScrollBar()->maximum() > 0);
        txt->verticalScrollBar()->setValue(txt->verticalScrollBar()->maximum());
        break;
    case FocusMove: other->setFocus(); break;
    case SaveUnchanged: {
        QTemporaryDir dir;
        QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
        m_files.answers = {dir.filePath(QStringLiteral("same.txt"))};
        m_window->mnuSaveAs_Click();
        QVERIFY(!m_window->document().isChanged());
        m_window->mnuSave_Click(); // titled: written at once, no dialog
        QCOMPARE(m_files.shown.size(), 1);
        QVERIFY(QFile::exists(m_window->document().CurrentFileName()));
        break;
    }
    }
    QCoreApplication::processEvents();
    QTEST(panel(3), "lineColumn");
    QTEST(panel(4), "lines");
}

void CaretStatusTest::wrappedLinesFollowTheWidthAtTheNextRefresh()
{
    show();
    TextBox *txt = m_window->components().txt;
    txt->setText(QString(300, u'w') + QStringLiteral("\r\nxy"));
    select(300, 300);
    m_window->RefreshCaretStatus();
    // What the box shows: the rows of its own layout of the long line.
    // "xy" starts the row after the long line's last.
    auto shownRows = [txt] {
        return int(txt->rowOfOffset(302));
    };
    const int rows = shownRows();
    QVERIFY(rows > 1);
    const int lastRowStart = int(txt->rowStart(rows - 1));
    QCOMPARE(panel(3), QStringLiteral("Ln %1, Col %2 ").arg(rows).arg(300 - lastRowStart + 1));
    QCOMPARE(panel(4), QStringLiteral("%1 Lines ").arg(rows + 1));

    m_window->resize(m_window->width() / 2, m_window->height());
    QCoreApplication::processEvents();
    const int narrowRows = shownRows();
    QVERIFY(narrowRows > rows);
    QCOMPARE(panel(4), QStringLiteral("%1 Lines ").arg(rows + 1)); // the resize refreshes nothing
    QTest::keyRelease(txt, Qt::Key_Shift, Qt::ShiftModifier);
    QCOMPARE(panel(4), QStringLiteral("%1 Lines ").arg(narrowRows + 1));
}

void CaretStatusTest::figuresAtTheEndOfALongDocumentShowWhole()
{
    show();
    TextBox *txt = m_window->components().txt;
    QStringList lines;
    for (int i = 1; i < 2000; ++i)
        lines << QStringLiteral("baris %1 dari dokumen yang panjang").arg(i);
    lines << QStringLiteral("kata ").repeated(400); // one line wrapped into many rows
    txt->setText(lines.join(QStringLiteral("\r\n")));
    QTest::keyClick(txt, Qt::Key_End, Qt::ControlModifier);
    const QString lineColumn = panel(3);
    const QString count = panel(4);
    QVERIFY2(lineColumn.startsWith(QStringLiteral("Ln 20")), qPrintable(lineColumn));
    QVERIFY2(count.endsWith(QStringLiteral(" Lines ")), qPrintable(count));
    // What the user reads is the whole figure: nothing cut, nothing elided.
    for (int index : {3, 4}) {
        StatusPanel *shown = m_window->components().StatusBar1->Panels(index);
        QCOMPARE(shown->text(), shown->Text());
        QVERIFY(shown->toolTip().isEmpty());
    }
}

void CaretStatusTest::failingStepIsSkipped_data()
{
    // The text "abc" CR LF "de" with the caret between d and e: offset 6.
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("lineColumn"); // "x": panel 3 was not written
    QTest::addColumn<QString>("lines");
    QTest::newRow("all answer") << kReal << kReal << kReal << kReal << "Ln 2, Col 2 " << "2 Lines ";
    QTest::newRow("line count") << kFail << kReal << kReal << kReal << "Ln 2, Col 2 " << "0 Lines ";
    QTest::newRow("selection") << kReal << kFail << kReal << kReal << "Ln 1, Col 1 " << "2 Lines ";
    QTest::newRow("line of offset") << kReal << kReal << kFail << kReal << "Ln 1, Col 7 "
                                    << "2 Lines ";
    QTest::newRow("line start") << kReal << kReal << kReal << kFail << "Ln 2, Col 7 " << "2 Lines ";
    QTest::newRow("all fail") << kFail << kFail << kFail << kFail << "Ln 1, Col 1 " << "0 Lines ";
    QTest::newRow("line + 1 overflows") << kReal << kReal << kIntMax << kFail << "x" << "2 Lines ";
    QTest::newRow("p - S overflows") << kReal << kIntMin << kFail << 5 << "Ln 1, Col 1 "
                                     << "2 Lines ";
    QTest::newRow("column + 1 overflows") << kReal << kIntMax << 0 << 0 << "x" << "2 Lines ";
}

void CaretStatusTest::failingStepIsSkipped()
{
    show();
    m_window->components().txt->setText(QStringLiteral("abc\r\nde"));
    select(5, 5);
    ScriptedQueries scripted(m_window->components().txt);
    QFETCH(int, count);
    QFETCH(int, end);
    QFETCH(int, line);
    QFETCH(int, start);
    scripted.count = count;
    scripted.end = end;
    scripted.line = line;
    scripted.start = start;
    m_window->components().txt->setLineQueries(&scripted);
    m_window->components().StatusBar1->Panels(3)->setText(QStringLiteral("x"));
    m_window->RefreshCaretStatus();
    m_window->components().txt->setLineQueries(nullptr);
    QTEST(panel(3), "lineColumn");
    QTEST(panel(4), "lines");
}

void CaretStatusTest::throwingStepsLeaveTheOthers()
{
    QString written4;
    bool focused = false;
    CaretStatusTarget target;
    target.setPanel3 = [](const QString &) -> bool { throw std::runtime_error("refused"); };
    target.setPanel4 = [&](const QString &text) {
        written4 = text;
        return true;
    };
    target.setFocus = [&] { focused = true; };
    refreshCaretStatus(target); // no queries at all: every query step fails
    QCOMPARE(written4, QStringLiteral("0 Lines "));
    QVERIFY(focused);

    target.setPanel4 = [](const QString &) -> bool { throw std::runtime_error("refused"); };
    target.setFocus = [] { throw std::runtime_error("refused"); };
    QString written3;
    target.setPanel3 = [&](const QString &text) {
        written3 = text;
        return false;
    };
    refreshCaretStatus(target);
    QCOMPARE(written3, QStringLiteral("Ln 1, Col 1 "));
}

void CaretStatusTest::largeTextFiguresBecomeExactOnceCounted_data()
{
    QTest::addColumn<bool>("resized");
    QTest::newRow("counted in idle time") << false;
    QTest::newRow("a resize before counting ends") << true;
}

void CaretStatusTest::largeTextFiguresBecomeExactOnceCounted()
{
    show();
    TextBox *txt = m_window->components().txt;
    auto *other = new QLineEdit(m_window->clientArea());
    other->show();
    QSignalSpy counted(txt, &TextBox::LinesCounted);
    // More lines than a refresh counts on the spot: the rest are counted in idle time.
    txt->setText(QStringLiteral("kata kita\r\n").repeated(1500000));
    QCOMPARE(counted.count(), 0);
    txt->setCaret(txt->length());
    other->setFocus();
    m_window->RefreshStatusFigures();
    StatusBar *bar = m_window->components().StatusBar1;
    // Figures so far keep their text and look provisional, and their tooltip says why.
    for (int index : {3, 4}) {
        QVERIFY(bar->Panels(index)->isProvisional());
        QVERIFY(bar->Panels(index)->toolTip().contains(QStringLiteral("still being counted")));
    }
    QFETCH(bool, resized);
    if (resized) {
        const QString shown3 = panel(3), shown4 = panel(4);
        m_window->resize(m_window->width() - 40, m_window->height());
        // Counting 1.5 M lines takes seconds in a sanitizer build on a busy machine.
        QTRY_VERIFY_WITH_TIMEOUT(txt->rowsExact(), 60000);
        QCoreApplication::processEvents();
        // A resize never changes the panels: they wait for the next refresh.
        QCOMPARE(counted.count(), 0);
        QCOMPARE(panel(3), shown3);
        QCOMPARE(panel(4), shown4);
        QVERIFY(bar->Panels(4)->isProvisional());
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(counted.count(), 1, 60000);
    QVERIFY(!bar->Panels(3)->isProvisional() && !bar->Panels(4)->isProvisional());
    QCOMPARE(panel(4), QStringLiteral("1500001 Lines "));
    QCOMPARE(panel(3), QStringLiteral("Ln 1500001, Col 1 "));
    QVERIFY(other->hasFocus()); // counting ends in idle time, wherever the focus is
    // Once exact, the figures stay so: a small edit does not start it again.
    QTest::keyClick(txt, Qt::Key_A);
    QCoreApplication::processEvents();
    QCOMPARE(counted.count(), 1);
}

QTEST_MAIN(CaretStatusTest)
#include "tst_caretstatus.moc"
