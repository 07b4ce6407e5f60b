// The File commands, the save prompt and the close request, against a scripted host.
#include "document/documentcommands.h"
#include "fakehost.h"
#include "support/scripteddialogs.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace wimblet;
using namespace wimblet::testsupport;

namespace {

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class DocumentCommandsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void newPromptsAndClearsAsAnswered_data();
    void newPromptsAndClearsAsAnswered();
    void newCancelledThenSaveWritesSameFile();
    void openDiscardsChangesWithoutPrompt();
    void openCancelledChangesNothing();
    void openWritesTextOnce();
    void saveRewritesUnchangedTitledFile();
    void saveAsCancelCaptions_data();
    void saveAsCancelCaptions();
    void saveAfterOpenAndNewPrefillsOldPath();
    void exitEndsOnlyWhenAllowed_data();
    void exitEndsOnlyWhenAllowed();
    void closeRequestIsRefusedAndEndsAsAnswered_data();
    void closeRequestIsRefusedAndEndsAsAnswered();
    void promptsHaveTheirTextTitleAndIcons();
    void failedWriteChangesNothing_data();
    void failedWriteChangesNothing();
    void failedWriteStopsNewAndExit();
    void failedReadChangesNothing();
    void windows1252RoundTripsAndWidens();
    void damagedUtf16KeepsItsBytes();
    void autoSaveTickSkipsWhileDialogOpen();
    void autoSaveFailureReportedOnce();
    void autoSaveStaysQuietAfterAnyReportedFailure();

private:
    QString path(const char *name) const { return m_dir->filePath(QString::fromLatin1(name)); }
    void openFile(const QString &file);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeHost> m_host;
    std::unique_ptr<ScriptedMessageBox> m_boxes;
    std::unique_ptr<ScriptedFileDialog> m_files;
    std::unique_ptr<DialogGuard> m_guard;
    std::unique_ptr<CommonDialog> m_dialog;
    std::unique_ptr<DocumentCommands> m_doc;
};

void DocumentCommandsTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY2(m_dir->isValid(), qPrintable(m_dir->errorString()));
    m_host = std::make_unique<FakeHost>();
    m_boxes = std::make_unique<ScriptedMessageBox>();
    m_files = std::make_unique<ScriptedFileDialog>();
    m_guard = std::make_unique<DialogGuard>();
    m_dialog = std::make_unique<CommonDialog>(*m_files, *m_guard);
    m_doc = std::make_unique<DocumentCommands>(*m_host, *m_dialog, *m_boxes, *m_guard);
}

void DocumentCommandsTest::cleanup()
{
    m_doc.reset();
    m_dialog.reset();
    m_guard.reset();
    m_files.reset();
    m_boxes.reset();
    m_host.reset();
    m_dir.reset();
}

void DocumentCommandsTest::openFile(const QString &file)
{
    m_files->answers.push_back(file);
    m_doc->Open();
}

void DocumentCommandsTest::newPromptsAndClearsAsAnswered_data()
{
    QTest::addColumn<bool>("changed");
    QTest::addColumn<int>("answer");       // 0: no prompt expected
    QTest::addColumn<bool>("saveChosen");  // for Yes: a file is chosen in Save As
    QTest::addColumn<bool>("cleared");
    QTest::newRow("unchanged") << false << 0 << false << true;
    QTest::newRow("changed, No") << true << 7 << false << true;
    QTest::newRow("changed, Cancel") << true << 2 << false << false;
    QTest::newRow("changed, Yes, saved") << true << 6 << true << true;
    QTest::newRow("changed, Yes, dialog cancelled") << true << 6 << false << false;
}

void DocumentCommandsTest::newPromptsAndClearsAsAnswered()
{
    QFETCH(bool, changed);
    QFETCH(int, answer);
    QFETCH(bool, saveChosen);
    QFETCH(bool, cleared);
    // Untitled, so that Yes goes through Save As.
    if (changed)
        m_host->boxText = QStringLiteral("edited");
    if (answer)
        m_boxes->answers.push_back(answer);
    m_files->answers.push_back(saveChosen ? std::optional<QString>(path("new.txt")) : std::nullopt);
    m_doc->New();
    QCOMPARE(int(m_boxes->styles.size()), answer ? 1 : 0);
    QCOMPARE(m_host->caption, QStringLiteral("Wimblet"));
    QCOMPARE(m_host->boxText.isEmpty(), cleared);
    if (cleared) {
        QVERIFY(m_doc->CurrentFileName().isEmpty());
        QVERIFY(m_doc->SavedText().isEmpty());
    }
    if (saveChosen)
        QCOMPARE(readBytes(path("new.txt")), QByteArray("edited\r\n"));
}

void DocumentCommandsTest::newCancelledThenSaveWritesSameFile()
{
    writeBytes(path("a.txt"), "a");
    openFile(path("a.txt"));
    m_host->boxText = QStringLiteral("a2");
    m_boxes->answers = {2};
    m_doc->New();
    QCOMPARE(m_host->caption, QStringLiteral("Wimblet"));
    QCOMPARE(m_doc->CurrentFileName(), path("a.txt"));
    QCOMPARE(m_host->boxText, QStringLiteral("a2"));
    m_doc->Save();
    QCOMPARE(readBytes(path("a.txt")), QByteArray("a2\r\n"));
    QCOMPARE(m_host->caption, QStringLiteral("Wimblet - ") + path("a.txt"));
}

void DocumentCommandsTest::openDiscardsChangesWithoutPrompt()
{
    writeBytes(path("b.txt"), "line1\r\nline2\nstill2\r\n");
    m_host->boxText = QStringLiteral("unsaved");
    openFile(path("b.txt"));
    QVERIFY(m_boxes->styles.isEmpty());
    QCOMPARE(m_host->boxText, QStringLiteral("line1\r\nline2\nstill2"));
    QCOMPARE(m_doc->CurrentFileName(), path("b.txt"));
    QCOMPARE(m_doc->SavedText(), m_host->boxText);
    QCOMPARE(m_host->caption, QStringLiteral("Wimblet - ") + path("b.txt"));
    QCOMPARE(m_dialog->Filter(), QStringLiteral("All Files|*.*"));
    m_doc->Exit(); // freshly opened: no prompt
    QVERIFY(m_host->ended);
    QVERIFY(m_boxes->styles.isEmpty());
}

void DocumentCommandsTest::openCancelledChangesNothing()
{
    writeBytes(path("c.txt"), "c");
    openFile(path("c.txt"));
    m_host->boxText = QStringLiteral("changed");
    m_files->answers.push_back(std::nullopt);
    m_doc->Open();
    QCOMPARE(m_host->boxText, QStringLiteral("changed"));
    QCOMPARE(m_doc->CurrentFileName(), path("c.txt"));
    QCOMPARE(m_host->caption, QStringLiteral("Wimblet - ") + path("c.txt"));
}

void DocumentCommandsTest::openWritesTextOnce()
{
    QByteArray many;
    for (int i = 0; i < 1000; ++i)
        many += "line\r\n";
    writeBytes(path("many.txt"), many);
    openFile(path("many.txt"));
    QCOMPARE(m_host->setTextCalls, 1);
    QCOMPARE(m_host->boxText.count(QStringLiteral("\r\n")), 999);
}

void DocumentCommandsTest::saveRewritesUnchangedTitledFile()
{
    writeBytes(path("d.txt"), "d\r\n");
    openFile(path("d.txt"));
    writeBytes(path("d.txt"), "changed on disk");
    m_doc->Save();
    QCOMPARE(readBytes(path("d.txt")), QByteArray("d\r\n"));
    QVERIFY(m_files->shown.size() == 1); // only the Open dialog
}

void DocumentCommandsTest::saveAsCancelCaptions_data()
{
    QTest::addColumn<bool>("titled");
    QTest::addColumn<QString>("caption");
    QTest::newRow("never chosen") << false << "Wimblet - ";
    QTest::newRow("titled") << true << "<path>";
}

void DocumentCommandsTest::saveAsCancelCaptions()
{
    QFETCH(bool, titled);
    QFETCH(QString, caption);
    if (titled) {
        writeBytes(path("e.txt"), "e");
        openFile(path("e.txt"));
        caption = QStringLiteral("Wimblet - ") + path("e.txt");
    }
    m_host->boxText = QStringLiteral("new text");
    m_files->answers.push_back(std::nullopt);
    QVERIFY(!m_doc->SaveDocumentAs());
    QCOMPARE(m_host->caption, caption);
    if (titled)
        QCOMPARE(readBytes(path("e.txt")), QByteArray("e"));
}

void DocumentCommandsTest::saveAfterOpenAndNewPrefillsOldPath()
{
    writeBytes(path("f.txt"), "f");
    openFile(path("f.txt"));
    m_doc->New();
    m_host->boxText = QStringLiteral("x");
    m_files->answers.push_back(std::nullopt);
    QVERIFY(!m_doc->SaveDocument());
    QCOMPARE(m_files->shown.last(), QStringLiteral("save"));
    QCOMPARE(m_files->initialNames.last(), path("f.txt"));
    QCOMPARE(m_host->caption, QStringLiteral("Wimblet - ") + path("f.txt"));
    QVERIFY(m_doc->CurrentFileName().isEmpty());
    QCOMPARE(readBytes(path("f.txt")), QByteArray("f"));
}

void DocumentCommandsTest::exitEndsOnlyWhenAllowed_data()
{
    QTest::addColumn<bool>("changed");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("ends");
    QTest::newRow("unchanged") << false << 0 << true;
    QTest::newRow("typed and deleted") << false << 0 << true;
    QTest::newRow("No") << true << 7 << true;
    QTest::newRow("Cancel") << true << 2 << false;
    QTest::newRow("Yes, dialog cancelled") << true << 6 << false;
}

void DocumentCommandsTest::exitEndsOnlyWhenAllowed()
{
    QFETCH(bool, changed);
    QFETCH(int, answer);
    QFETCH(bool, ends);
    if (changed)
        m_host->boxText = QStringLiteral("text");
    if (answer)
        m_boxes->answers.push_back(answer);
    m_files->answers.push_back(std::nullopt);
    m_doc->Exit();
    QCOMPARE(m_host->ended, ends);
    QCOMPARE(m_host->aboutUnloads, ends ? 0 : 1);
    if (answer)
        QCOMPARE(m_boxes->styles.at(0), 35);
}

void DocumentCommandsTest::closeRequestIsRefusedAndEndsAsAnswered_data()
{
    QTest::addColumn<bool>("changed");
    QTest::addColumn<bool>("titled");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("ends");
    QTest::addColumn<bool>("written");
    QTest::newRow("unchanged") << false << false << 0 << true << false;
    QTest::newRow("Cancel") << true << false << 2 << false << false;
    QTest::newRow("No") << true << false << 7 << true << false;
    QTest::newRow("Yes, titled") << true << true << 6 << true << true;
    // Unsaved text is kept: the window stays open when Save As is cancelled.
    QTest::newRow("Yes, untitled, dialog cancelled") << true << false << 6 << false << false;
}

void DocumentCommandsTest::closeRequestIsRefusedAndEndsAsAnswered()
{
    QFETCH(bool, changed);
    QFETCH(bool, titled);
    QFETCH(int, answer);
    if (titled) {
        writeBytes(path("g.txt"), "g");
        openFile(path("g.txt"));
    }
    if (changed)
        m_host->boxText = QStringLiteral("closing");
    if (answer)
        m_boxes->answers.push_back(answer);
    m_files->answers.push_back(std::nullopt);
    int cancel = 0;
    m_doc->QueryUnload(cancel);
    QCOMPARE(cancel, 1); // the request itself is always refused
    QCOMPARE(m_host->aboutUnloads, 1);
    QTEST(m_host->ended, "ends");
    if (answer)
        QCOMPARE(m_boxes->styles.at(0), 67);
    if (titled)
        QTEST(readBytes(path("g.txt")) == "closing\r\n", "written");
}

void DocumentCommandsTest::promptsHaveTheirTextTitleAndIcons()
{
    m_host->boxText = QStringLiteral("x");
    m_boxes->answers = {2, 2};
    m_doc->New();
    int cancel = 0;
    m_doc->QueryUnload(cancel);
    QCOMPARE(int(m_boxes->styles.size()), 2);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(m_boxes->texts.at(i), QStringLiteral("Do you want to save the changes?"));
        QCOMPARE(m_boxes->titles.at(i), QStringLiteral("Wimblet"));
    }
    QCOMPARE(m_boxes->styles[0], 35);
    QCOMPARE(m_boxes->styles[1], 67);
}

void DocumentCommandsTest::failedWriteChangesNothing_data()
{
    QTest::addColumn<QString>("target"); // relative to the temporary folder
    QTest::newRow("a folder given as the file") << "folder";
    QTest::newRow("a path in a missing folder") << "missing/x.txt";
}

void DocumentCommandsTest::failedWriteChangesNothing()
{
    QFETCH(QString, target);
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder")));
    writeBytes(path("h.txt"), "h");
    openFile(path("h.txt"));
    m_host->boxText = QStringLiteral("new");
    const QString bad = m_dir->filePath(target);
    m_files->answers.push_back(bad);
    QVERIFY(!m_doc->SaveDocumentAs());
    QCOMPARE(m_boxes->errorCount(), 1);
    QVERIFY(m_boxes->texts.back().contains(QDir::toNativeSeparators(bad)));
    QCOMPARE(m_boxes->titles.back(), QStringLiteral("Wimblet"));
    QCOMPARE(m_doc->CurrentFileName(), path("h.txt"));
    QCOMPARE(m_doc->SavedText(), QStringLiteral("h"));
    QCOMPARE(m_host->caption, QStringLiteral("Wimblet - ") + path("h.txt"));
    QCOMPARE(readBytes(path("h.txt")), QByteArray("h"));
}

void DocumentCommandsTest::failedWriteStopsNewAndExit()
{
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder")));
    m_host->boxText = QStringLiteral("keep me");
    m_boxes->answers = {6, 6};
    m_files->answers = {path("folder"), path("folder")};
    m_doc->New();
    QCOMPARE(m_host->boxText, QStringLiteral("keep me"));
    m_doc->Exit();
    QVERIFY(!m_host->ended);
    QCOMPARE(m_boxes->errorCount(), 2);
}

void DocumentCommandsTest::failedReadChangesNothing()
{
    m_host->boxText = QStringLiteral("current");
    openFile(path("does-not-exist.txt"));
    QCOMPARE(m_boxes->errorCount(), 1);
    QVERIFY(m_boxes->texts.back().contains(QStringLiteral("does-not-exist.txt")));
    QCOMPARE(m_host->boxText, QStringLiteral("current"));
    QVERIFY(m_doc->CurrentFileName().isEmpty());
    QCOMPARE(m_host->caption, QStringLiteral("Wimblet"));
}

void DocumentCommandsTest::windows1252RoundTripsAndWidens()
{
    const QByteArray bytes("caf\xE9 \x80\r\nsecond\r");
    writeBytes(path("w.txt"), bytes);
    openFile(path("w.txt"));
    QCOMPARE(m_host->boxText, QString::fromUtf8("café €\r\nsecond"));
    m_doc->Save();
    QCOMPARE(readBytes(path("w.txt")), QByteArray("caf\xE9 \x80\r\nsecond\r\n"));
    m_host->boxText += QChar(0x4E2D);
    m_doc->Save();
    QCOMPARE(readBytes(path("w.txt")), QString::fromUtf8("café €\r\nsecond中\r\n").toUtf8());
}

void DocumentCommandsTest::damagedUtf16KeepsItsBytes()
{
    // An unpaired surrogate, a CR LF and an odd last byte (a CR).
    const QByteArray bytes("\xFF\xFE" "a\0b\0\0\xD8" "c\0d\0\r\0\n\0\r", 17);
    writeBytes(path("u.txt"), bytes);
    openFile(path("u.txt"));
    m_doc->Save();
    QCOMPARE(readBytes(path("u.txt")), bytes);
    m_host->boxText += QLatin1Char('!');
    m_doc->Save();
    QCOMPARE(readBytes(path("u.txt")), bytes.first(12) + QByteArray("!\0\r\0\n\0\r", 7));
    // A new document has no odd byte of its own.
    m_doc->New();
    m_host->boxText = QStringLiteral("x");
    m_files->answers = {path("n.txt")};
    m_doc->Save();
    QCOMPARE(readBytes(path("n.txt")), QByteArray("x\r\n"));
}

void DocumentCommandsTest::autoSaveTickSkipsWhileDialogOpen()
{
    m_host->boxText = QStringLiteral("untitled text");
    m_files->answers = {path("i.txt")};
    m_files->whileOpen = [this] { m_doc->AutoSaveTick(); };
    m_doc->AutoSaveTick(); // opens Save As; a tick inside it must do nothing
    QCOMPARE(m_files->shown.size(), 1);
    QCOMPARE(readBytes(path("i.txt")), QByteArray("untitled text\r\n"));
}

void DocumentCommandsTest::autoSaveFailureReportedOnce()
{
    writeBytes(path("j.txt"), "j");
    openFile(path("j.txt"));
    QVERIFY(QFile::remove(path("j.txt")));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("j.txt"))); // now a folder: writes fail
    for (int i = 0; i < 3; ++i)
        m_doc->AutoSaveTick();
    QCOMPARE(m_boxes->errorCount(), 1);
    QVERIFY(QDir(m_dir->path()).rmdir(QStringLiteral("j.txt")));
    m_doc->AutoSaveTick(); // succeeds again
    QCOMPARE(readBytes(path("j.txt")), QByteArray("j\r\n"));
    QVERIFY(QFile::remove(path("j.txt")));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("j.txt")));
    m_doc->AutoSaveTick(); // a new failure after a success is reported again
    QCOMPARE(m_boxes->errorCount(), 2);
}

void DocumentCommandsTest::autoSaveStaysQuietAfterAnyReportedFailure()
{
    writeBytes(path("k.txt"), "k");
    openFile(path("k.txt"));
    QVERIFY(QFile::remove(path("k.txt")));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("k.txt"))); // now a folder: writes fail
    m_doc->Save(); // as choosing an interval does: its failure is reported
    QCOMPARE(m_boxes->errorCount(), 1);
    m_doc->AutoSaveTick(); // the user knows already: the ticks stay quiet
    m_doc->AutoSaveTick();
    QCOMPARE(m_boxes->errorCount(), 1);
    m_doc->Save(); // an explicit save always reports its own failure
    QCOMPARE(m_boxes->errorCount(), 2);
    m_boxes->answers = {MsgBox::Yes};
    m_host->boxText = QStringLiteral("changed");
    m_doc->Exit(); // so does the prompt's Yes
    QCOMPARE(m_boxes->errorCount(), 3);
    QVERIFY(!m_host->ended);
}

QTEST_MAIN(DocumentCommandsTest)
#include "tst_documentcommands.moc"
