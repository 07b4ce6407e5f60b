// Folders, named pipes, devices and sockets: opening one is refused at once with
// a message saying what it is, and saving over one changes nothing on disk.
#include "document/documentcommands.h"
#include "document/fileio.h"
#include "fakehost.h"
#include "realfiles.h"
#include "support/scripteddialogs.h"

#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

using namespace wimblet;
using namespace wimblet::testsupport;

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(strerror(errno));
}

QString makeSocket(const QByteArray &name)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(name.size()) >= sizeof address.sun_path)
        return QStringLiteral("the temporary folder's path is too long for a socket");
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    const QString why = bound ? QString() : QStringLiteral("cannot make a socket: ") + systemError();
    if (fd >= 0)
        ::close(fd); // the socket's file stays
    return why;
}

// Makes a file of `kind` at `path`; returns why it cannot, for a skip.
QString makeSpecialFile(const QString &kind, const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const bool device = kind == QLatin1String("character device")
            || kind == QLatin1String("block device");
    if (device && ::geteuid() != 0)
        return QStringLiteral("only root may make a device node");
    int made = 0;
    if (kind == QLatin1String("folder"))
        made = ::mkdir(name.constData(), 0755);
    else if (kind == QLatin1String("named pipe"))
        made = ::mkfifo(name.constData(), 0644);
    else if (kind == QLatin1String("character device")) // the numbers of /dev/null
        made = ::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3));
    else if (kind == QLatin1String("block device")) // the numbers of /dev/loop0
        made = ::mknod(name.constData(), S_IFBLK | 0600, makedev(7, 0));
    else if (kind == QLatin1String("socket"))
        return makeSocket(name);
    return made == 0 ? QString() : QStringLiteral("cannot make a %1: %2").arg(kind, systemError());
}

} // namespace

class TestSpecialFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void openingShouldRefuseAtOnceAndKeepTheDocument_data();
    void openingShouldRefuseAtOnceAndKeepTheDocument();
    void savingOverShouldBeRefusedAndChangeNothing_data();
    void savingOverShouldBeRefusedAndChangeNothing();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    struct RowFile {
        QString path;
        QString skip;
    };
    RowFile makeRowFile();

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSpecialFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY2(m_dir->isValid(), qPrintable(m_dir->errorString()));
}

void TestSpecialFiles::cleanup()
{
    m_dir.reset();
}

// The rows: each kind of file, itself and behind a symbolic link.
static void addSpecialFileRows()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("throughLink");
    for (const char *kind : {"named pipe", "character device", "block device", "socket", "folder"}) {
        QTest::addRow("%s", kind) << QString::fromLatin1(kind) << false;
        QTest::addRow("link to a %s", kind) << QString::fromLatin1(kind) << true;
    }
}

// Makes the row's file: the path to use, or why it cannot be made here.
TestSpecialFiles::RowFile TestSpecialFiles::makeRowFile()
{
    QFETCH(QString, kind);
    QFETCH(bool, throughLink);
    const QString special = path(QStringLiteral("special"));
    const QString why = makeSpecialFile(kind, special);
    if (!why.isEmpty() || !throughLink)
        return {why.isEmpty() ? special : QString(), why};
    const QString link = path(QStringLiteral("link"));
    return {QFile::link(QStringLiteral("special"), link) ? link : QString(), QString()};
}

void TestSpecialFiles::openingShouldRefuseAtOnceAndKeepTheDocument_data()
{
    addSpecialFileRows();
}

void TestSpecialFiles::openingShouldRefuseAtOnceAndKeepTheDocument()
{
    QFETCH(QString, kind);
    const RowFile made = makeRowFile();
    if (!made.skip.isEmpty())
        QSKIP(qPrintable(made.skip));
    QVERIFY(!made.path.isEmpty());
    const QString &file = made.path;
    const QString kept = path(QStringLiteral("kept.txt"));
    QVERIFY(writePlainFile(kept, "kept text\r\n"));
    FakeHost host;
    ScriptedMessageBox boxes;
    ScriptedFileDialog files;
    DialogGuard guard;
    CommonDialog dialog(files, guard);
    DocumentCommands doc(host, dialog, boxes, guard);
    files.answers = {kept, file};
    doc.Open();
    host.boxText = QStringLiteral("kept text, edited");
    const int setTexts = host.setTextCalls;

    // No writer ever opens the pipe: an open that waited for one would never return.
    doc.Open();
    QCOMPARE(host.setTextCalls, setTexts);
    QCOMPARE(host.boxText, QStringLiteral("kept text, edited"));
    QCOMPARE(host.caption, QStringLiteral("Wimblet - ") + kept);
    QCOMPARE(doc.CurrentFileName(), kept);
    QCOMPARE(doc.SavedText(), QStringLiteral("kept text"));
    QCOMPARE(boxes.errorCount(), 1);
    QCOMPARE(boxes.titles, QStringList{QStringLiteral("Wimblet")});
    const QString &message = boxes.texts.constLast();
    QVERIFY2(message.startsWith(QStringLiteral("Cannot open the file ") + file + QLatin1Char(':')),
             qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("It is a ") + kind + QLatin1Char('.')), qPrintable(message));
}

void TestSpecialFiles::savingOverShouldBeRefusedAndChangeNothing_data()
{
    addSpecialFileRows();
}

void TestSpecialFiles::savingOverShouldBeRefusedAndChangeNothing()
{
    QFETCH(QString, kind);
    const RowFile made = makeRowFile();
    if (!made.skip.isEmpty())
        QSKIP(qPrintable(made.skip));
    QVERIFY(!made.path.isEmpty());
    const QString &file = made.path;
    const struct stat before = statOf(path(QStringLiteral("special")));
    const QStringList entries = folderEntries(m_dir->path());

    const FileResult result = writeWholeFile(file, "new text\r\n");
    QVERIFY(!result.ok);
    QVERIFY2(result.error.startsWith(QStringLiteral("Cannot save the file ") + file + QLatin1Char(':')),
             qPrintable(result.error));
    QVERIFY2(result.error.contains(QStringLiteral("It is a ") + kind + QLatin1Char('.')),
             qPrintable(result.error));
    const struct stat after = statOf(path(QStringLiteral("special")));
    QCOMPARE(after.st_mode, before.st_mode); // still the same kind, with the same permissions
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_rdev, before.st_rdev);
    QCOMPARE(folderEntries(m_dir->path()), entries);
    if (kind == QLatin1String("folder"))
        QVERIFY(folderEntries(path(QStringLiteral("special"))).isEmpty());
}

QTEST_GUILESS_MAIN(TestSpecialFiles)
#include "tst_pipesanddevices.moc"
