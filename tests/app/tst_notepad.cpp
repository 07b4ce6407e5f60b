// The main window's commands end to end: conversions, routing, auto save, ending.
#include "about/aboutdialog.h"
#include "about/frmAbout.h"
#include "support/scripteddialogs.h"
#include "document/documentcommands.h"
#include "document/memoryroom.h"
#include "app/frmNotepad.h"
#include "toolkit/colour.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QDir>
#include <QTest>

#include <sys/resource.h>

using namespace wimblet;
using namespace wimblet::testsupport;

class NotepadTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void conversionsSetTextAndColour_data();
    void conversionsSetTextAndColour();
    void conversionIsOneUndoStep();
    void conversionWithoutRoomLeavesTheText_data();
    void conversionWithoutRoomLeavesTheText();
    void toolbarKeysRouteToTheirCommands_data();
    void toolbarKeysRouteToTheirCommands();
    void menuItemsRunTheirCommands_data();
    void menuItemsRunTheirCommands();
    void shortcutsRunCommands();
    void exitCancelledClosesAbout();
    void aboutIsSingleAndModeless();
    void closeRequestKeepsUnsavedText();
    void closeRequestEnds();
    void autoSaveSavesAtOnceAndChecksOneItem();
    void autoSaveTickDuringDialogDoesNothing();
    void autoSaveFailureIsToldOnceUntilASaveSucceeds();
    void uncheckedAutoSaveItemsLookAlike();

private:
    QString path(const char *name) const { return m_dir->filePath(QString::fromLatin1(name)); }
    static QByteArray readBytes(const QString &file);

    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedMessageBox m_box;
    ScriptedFileDialog m_files;
    int m_ends = 0;
    std::unique_ptr<frmNotepad> m_window;
};

void NotepadTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY2(m_dir->isValid(), qPrintable(m_dir->errorString()));
    m_box = {};
    m_files = {};
    m_ends = 0;
    NotepadServices services;
    services.messageBox = &m_box;
    services.fileDialog = &m_files;
    services.endProgram = [this] { ++m_ends; };
    m_window = std::make_unique<frmNotepad>(services);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void NotepadTest::cleanup()
{
    m_window.reset();
    m_dir.reset();
}

QByteArray NotepadTest::readBytes(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void NotepadTest::conversionsSetTextAndColour_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<quint32>("colour");
    QTest::newRow("cute") << "cgirly" << "saya mau makan nasi goreng"
                          << "sAY4 MaU MaKAn NaSi g0ReNg" << quint32(192);
    QTest::newRow("cute keeps lines") << "cgirly" << "halo semua.\r\nselamat pagi!"
                                      << "H4Lo sEMUa.\r\nsELaMat PaGi!" << quint32(192);
    QTest::newRow("cute empty") << "cgirly" << "" << "" << quint32(192);
    QTest::newRow("normal") << "cnormal" << "GtuW AjaH, NiH!" << "Begitu saja, nih!"
                            << quint32(0x80000008);
    QTest::newRow("normal empty") << "cnormal" << "" << "" << quint32(0x80000008);
}

void NotepadTest::conversionsSetTextAndColour()
{
    QFETCH(QString, menu);
    QFETCH(QString, input);
    QFETCH(quint32, colour);
    m_window->components().txt->setText(input);
    m_window->components().txt->setForeColor(colour == 192 ? kWindowTextColour : kDarkRed);
    m_window->menuActions().value(menu)->trigger();
    QTEST(m_window->components().txt->Text(), "output");
    QCOMPARE(m_window->components().txt->ForeColor(), colour);
    QCOMPARE(m_window->components().txt->palette().color(QPalette::Text),
             resolveColour(colour, m_window->components().txt->palette()));
}

void NotepadTest::conversionIsOneUndoStep()
{
    QTest::keyClicks(m_window->components().txt, QStringLiteral("saya"));
    int changes = 0;
    connect(m_window->components().txt, &TextBox::Change, this, [&] { ++changes; });
    m_window->cgirly_Click();
    QCOMPARE(changes, 1);
    QCOMPARE(m_window->components().txt->Text(), QStringLiteral("sAY4"));
    QTest::keyClick(m_window->components().txt, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(m_window->components().txt->Text(), QStringLiteral("saya"));
    m_window->components().txt->redo();
    QCOMPARE(m_window->components().txt->Text(), QStringLiteral("sAY4"));
}

void NotepadTest::conversionWithoutRoomLeavesTheText_data()
{
    QTest::addColumn<QString>("menu");
    QTest::newRow("cute") << "cgirly";
    QTest::newRow("normal") << "cnormal";
}

// With less address space left than any conversion takes, it is refused before it
// starts, and the limit is put back at once.
void NotepadTest::conversionWithoutRoomLeavesTheText()
{
#ifdef WIMBLET_SANITIZE
    QSKIP("AddressSanitizer reserves terabytes of address space for its shadow memory");
#endif
    QFETCH(QString, menu);
    TextBox &txt = *m_window->components().txt;
    txt.setText(QStringLiteral("Saya MAU makan"));
    const quint32 colour = txt.ForeColor();
    rlimit old {};
    QVERIFY(::getrlimit(RLIMIT_AS, &old) == 0);
    const quint64 inUse = currentMemoryRoom().addressSpaceInUse;
    const rlimit lowered {rlim_t(inUse + memoryToConvert({}) / 2), old.rlim_max};
    QVERIFY(::setrlimit(RLIMIT_AS, &lowered) == 0);
    m_window->menuActions().value(menu)->trigger();
    QVERIFY(::setrlimit(RLIMIT_AS, &old) == 0);
    QCOMPARE(txt.Text(), QStringLiteral("Saya MAU makan"));
    QCOMPARE(txt.ForeColor(), colour);
    QCOMPARE(m_box.texts.size(), 1);
    QVERIFY2(m_box.texts.constFirst().startsWith(
                     QStringLiteral("There is not enough memory to convert the text: it would take")),
             qPrintable(m_box.texts.constFirst()));
    QCOMPARE(m_box.titles.constFirst(), QStringLiteral("Wimblet"));
}

void NotepadTest::toolbarKeysRouteToTheirCommands_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("effect");
    QTest::newRow("mnew") << "mnew" << "prompt 35";
    QTest::newRow("mopen") << "mopen" << "dialog open";
    QTest::newRow("msave") << "msave" << "dialog save";
    QTest::newRow("mnormal") << "mnormal" << "text Saya";
    QTest::newRow("mcute") << "mcute" << "text sAY4";
    QTest::newRow("mabout") << "mabout" << "about";
    QTest::newRow("mclose") << "mclose" << "prompt 35";
    QTest::newRow("case differs") << "MNEW" << "nothing";
    QTest::newRow("trailing blank") << "mnew " << "nothing";
    QTest::newRow("empty key") << "" << "nothing";
}

// What a command visibly did, as a short word for the routing rows.
static QString observedEffect(frmNotepad &w, const ScriptedMessageBox &box,
                              const ScriptedFileDialog &files)
{
    if (!box.styles.isEmpty())
        return QStringLiteral("prompt %1").arg(box.styles.first());
    if (!files.shown.isEmpty())
        return QStringLiteral("dialog ") + files.shown.first();
    if (w.about().instance())
        return QStringLiteral("about");
    if (w.components().txt->Text() != QLatin1String("saya"))
        return QStringLiteral("text ") + w.components().txt->Text();
    return QStringLiteral("nothing");
}

void NotepadTest::toolbarKeysRouteToTheirCommands()
{
    QFETCH(QString, key);
    m_window->components().txt->setText(QStringLiteral("saya"));
    m_window->Toolbar1_ButtonClick(key);
    QTEST(observedEffect(*m_window, m_box, m_files), "effect");
    QCOMPARE(m_ends, 0);
}

void NotepadTest::menuItemsRunTheirCommands_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("effect");
    QTest::newRow("mnuNew") << "mnuNew" << "prompt 35";
    QTest::newRow("mnuOpen") << "mnuOpen" << "dialog open";
    QTest::newRow("mnuSave") << "mnuSave" << "dialog save";
    QTest::newRow("mnuSaveAs") << "mnuSaveAs" << "dialog save";
    QTest::newRow("mnuExit") << "mnuExit" << "prompt 35";
    QTest::newRow("e15") << "e15" << "dialog save";
    QTest::newRow("cnormal") << "cnormal" << "text Saya";
    QTest::newRow("cgirly") << "cgirly" << "text sAY4";
    QTest::newRow("mnuAbout") << "mnuAbout" << "about";
    QTest::newRow("cstop") << "cstop" << "nothing";
}

void NotepadTest::menuItemsRunTheirCommands()
{
    QFETCH(QString, item);
    m_window->components().txt->setText(QStringLiteral("saya"));
    m_window->menuActions().value(item)->trigger();
    QTEST(observedEffect(*m_window, m_box, m_files), "effect");
}

void NotepadTest::shortcutsRunCommands()
{
    m_window->components().txt->setText(QStringLiteral("x"));
    const std::pair<QKeyCombination, QString> keys[] = {
        {Qt::CTRL | Qt::Key_N, "35"}, {Qt::CTRL | Qt::Key_O, "open"},
        {Qt::CTRL | Qt::Key_S, "save"}, {QKeyCombination(Qt::Key_F8), "save"},
        {QKeyCombination(Qt::Key_F9), "35"},
    };
    for (const auto &[key, expected] : keys) {
        m_box = {};
        m_files = {};
        QTest::keyClick(m_window->components().txt, key.key(), key.keyboardModifiers());
        const QString seen = m_box.styles.isEmpty() ? m_files.shown.value(0)
                                                    : QString::number(m_box.styles.first());
        QCOMPARE(seen, expected);
    }
    QTest::keyClick(m_window->components().txt, Qt::Key_F1);
    QVERIFY(m_window->about().instance());
}

void NotepadTest::exitCancelledClosesAbout()
{
    m_window->mnuAbout_Click();
    QVERIFY(m_window->about().instance());
    m_window->components().txt->setText(QStringLiteral("unsaved"));
    m_box.answers = {2};
    m_window->Toolbar1_ButtonClick(QStringLiteral("mclose"));
    QTRY_VERIFY(!m_window->about().instance());
    QCOMPARE(m_ends, 0);
    QVERIFY(m_window->isVisible());
}

void NotepadTest::aboutIsSingleAndModeless()
{
    auto aboutWindows = [] {
        int n = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            n += qobject_cast<frmAbout *>(w) && w->isVisible();
        return n;
    };
    m_window->mnuAbout_Click();
    m_window->Toolbar1_ButtonClick(QStringLiteral("mabout"));
    QCOMPARE(aboutWindows(), 1);
    QVERIFY(!m_window->about().instance()->isModal());
    // The main window's commands keep working while it is open.
    m_window->components().txt->setText(QStringLiteral("saya"));
    m_window->menuActions().value(QStringLiteral("cgirly"))->trigger();
    QCOMPARE(m_window->components().txt->Text(), QStringLiteral("sAY4"));
    QVERIFY(!QApplication::activeModalWidget());
}

void NotepadTest::closeRequestKeepsUnsavedText()
{
    m_window->components().txt->setText(QStringLiteral("unsaved"));
    m_box.answers = {6}; // Yes, then the Save As dialog is cancelled
    QVERIFY(!m_window->close());
    QCOMPARE(m_box.styles, QList<int>{67});
    QCOMPARE(m_ends, 0);
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_window->components().txt->Text(), QStringLiteral("unsaved"));
}

void NotepadTest::closeRequestEnds()
{
    QVERIFY(!m_window->close()); // unchanged: ends through the program's own decision
    QCOMPARE(m_ends, 1);
    QVERIFY(m_box.styles.isEmpty());
    QVERIFY(m_window->hasEnded());
}

void NotepadTest::autoSaveSavesAtOnceAndChecksOneItem()
{
    const QString file = path("auto.txt");
    m_window->components().txt->setText(QStringLiteral("one"));
    m_files.answers = {file};
    m_window->e30_Click();
    QCOMPARE(readBytes(file), QByteArray("one\r\n"));
    QVERIFY(m_window->components().e30->Checked() && !m_window->components().e15->Checked() && !m_window->components().e1m->Checked());
    QCOMPARE(m_window->components().Timer1->Interval(), 30000);
    QVERIFY(m_window->components().Timer1->Enabled());
    m_window->e15_Click(); // the mark moves; the titled document is written at once
    QVERIFY(m_window->components().e15->Checked() && !m_window->components().e30->Checked());
    m_window->components().Timer1->setInterval(20); // shorten the wait, not the behaviour
    m_window->components().txt->setText(QStringLiteral("two"));
    QTRY_COMPARE(readBytes(file), QByteArray("two\r\n"));
    m_window->cstop_Click();
    QVERIFY(!m_window->components().e15->Checked() && !m_window->components().e30->Checked() && !m_window->components().e1m->Checked());
    QVERIFY(!m_window->components().cstop->Checked());
    m_window->components().txt->setText(QStringLiteral("three"));
    QTest::qWait(100);
    QCOMPARE(readBytes(file), QByteArray("two\r\n"));
}

void NotepadTest::autoSaveTickDuringDialogDoesNothing()
{
    m_window->components().txt->setText(QStringLiteral("untitled"));
    m_files.answers = {std::nullopt};
    m_window->e15_Click(); // opens Save As at once; cancelled, the timer still starts
    QVERIFY(m_window->components().Timer1->Enabled());
    m_files.whileOpen = [this] { m_window->Timer1_Timer(); };
    m_files.answers = {path("tick.txt")};
    m_window->Timer1_Timer();
    QCOMPARE(m_files.shown, QStringList({"save", "save"}));
    QCOMPARE(readBytes(path("tick.txt")), QByteArray("untitled\r\n"));
}

void NotepadTest::autoSaveFailureIsToldOnceUntilASaveSucceeds()
{
    m_window->components().txt->setText(QStringLiteral("text"));
    m_files.answers = {path("saved.txt")};
    m_window->mnuSaveAs_Click();
    QVERIFY(QFile::remove(path("saved.txt")));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("saved.txt"))); // writes fail now
    m_window->e15_Click(); // the interval's own save tells of the failure
    QCOMPARE(m_box.errorCount(), 1);
    m_window->Timer1_Timer(); // the first tick and those after it stay quiet
    m_window->Timer1_Timer();
    QCOMPARE(m_box.errorCount(), 1);
    QVERIFY(QDir(m_dir->path()).rmdir(QStringLiteral("saved.txt")));
    m_window->Timer1_Timer(); // a save succeeds again
    QCOMPARE(readBytes(path("saved.txt")), QByteArray("text\r\n"));
    QVERIFY(QFile::remove(path("saved.txt")));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("saved.txt")));
    m_window->Timer1_Timer(); // a new failure after that is told again
    QCOMPARE(m_box.errorCount(), 2);
    QCOMPARE(m_box.titles.last(), QStringLiteral("Wimblet"));
}

void NotepadTest::uncheckedAutoSaveItemsLookAlike()
{
    const QStringList items = {"e15", "e30", "e1m", "cstop"};
    auto checkable = [this](const QString &name) {
        return m_window->menuActions().value(name)->isCheckable();
    };
    m_files.answers = {path("a.txt")};
    m_window->e15_Click();
    m_window->e30_Click();
    QVERIFY(checkable("e30") && m_window->menuActions().value("e30")->isChecked());
    QVERIFY(!checkable("e15")); // once checked, now drawn as the others
    m_window->cstop_Click();
    for (const QString &name : items)
        QVERIFY2(!checkable(name), qPrintable(name));
}

QTEST_MAIN(NotepadTest)
#include "tst_notepad.moc"
