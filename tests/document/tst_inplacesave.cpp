// Saving a file that cannot be replaced: one in a folder we may not write, and one
// mounted on its own. Its bytes are overwritten in place, and put back when that
// fails.
#include "document/fileio.h"
#include "mounts.h"
#include "realfiles.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace wimblet;

namespace {

// The user the unprivileged run takes: nobody.
constexpr int kNobody = 65534;

// Opens a folder for writing again when it goes out of scope, so that the
// temporary folder can be removed whatever the test found.
class LockedFolder
{
public:
    explicit LockedFolder(const QString &folder) : m_folder(QFile::encodeName(folder))
    {
        m_locked = ::chmod(m_folder.constData(), 0555) == 0;
    }
    ~LockedFolder() { ::chmod(m_folder.constData(), 0755); }
    bool isLocked() const { return m_locked; }

private:
    QByteArray m_folder;
    bool m_locked = false;
};

// Lowers this process's file size limit while it is in scope. Writing past it
// fails with EFBIG instead of ending the process with SIGXFSZ.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes)
    {
        if (bytes == 0 || ::getrlimit(RLIMIT_FSIZE, &m_old) != 0)
            return;
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_old;
        lowered.rlim_cur = rlim_t(bytes);
        m_lowered = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_lowered)
            ::setrlimit(RLIMIT_FSIZE, &m_old);
        if (m_oldHandler != SIG_ERR)
            std::signal(SIGXFSZ, m_oldHandler);
    }
    bool isLowered() const { return m_lowered; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_ERR;
    bool m_lowered = false;
};

} // namespace

class TestInPlaceSave : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void saveInFolderWeMayNotWriteShouldWriteInPlace_data();
    void saveInFolderWeMayNotWriteShouldWriteInPlace();
    void saveInFolderWeMayNotWriteAsNobody();
    void bindMountedFileShouldBeWrittenInPlace_data();
    void bindMountedFileShouldBeWrittenInPlace();
    void fullDiskDuringInPlaceWriteShouldPutOldBytesBack_data();
    void fullDiskDuringInPlaceWriteShouldPutOldBytesBack();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestInPlaceSave::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY2(m_dir->isValid(), qPrintable(m_dir->errorString()));
}

void TestInPlaceSave::cleanup()
{
    m_dir.reset();
}

// Saves that succeed, over an old file of each length.
static void addOldAndNewRows()
{
    QTest::addColumn<bool>("exists"); // whether there is an old file
    QTest::addColumn<QByteArray>("oldBytes");
    QTest::addColumn<QByteArray>("newBytes");
    QTest::addColumn<qint64>("sizeLimit"); // the process's file size limit, 0 for none
    QTest::addColumn<QString>("failure");  // the reason a failed save gives; empty when it saves
    const QString saves;
    QTest::newRow("longer") << true << QByteArray("old\r\n") << bigBytes(300 * 1024) << qint64(0) << saves;
    QTest::newRow("shorter") << true << bigBytes(300 * 1024) << QByteArray("new\r\n") << qint64(0) << saves;
    QTest::newRow("same length") << true << QByteArray("old text\r\n") << QByteArray("new text\r\n")
                                 << qint64(0) << saves;
    QTest::newRow("emptied") << true << QByteArray("old text\r\n") << QByteArray() << qint64(0) << saves;
}

void TestInPlaceSave::saveInFolderWeMayNotWriteShouldWriteInPlace_data()
{
    addOldAndNewRows();
    // No file to write in place: the folder's refusal stands.
    QTest::newRow("new file") << false << QByteArray() << QByteArray("new\r\n") << qint64(0)
                              << QString::fromLocal8Bit(strerror(EACCES));
    // The write stops half way, at the limit: what it overwrote goes back.
    QTest::newRow("write cut short") << true << bigBytes(8192) << QByteArray(6000, 'n')
                                     << qint64(4096) << QString::fromLocal8Bit(strerror(EFBIG));
}

void TestInPlaceSave::saveInFolderWeMayNotWriteShouldWriteInPlace()
{
    if (::geteuid() == 0)
        QSKIP("root may write in any folder; saveInFolderWeMayNotWriteAsNobody runs this as nobody");
    QFETCH(bool, exists);
    QFETCH(QByteArray, oldBytes);
    QFETCH(QByteArray, newBytes);
    QFETCH(qint64, sizeLimit);
    QFETCH(QString, failure);
    const QString folder = path(QStringLiteral("locked"));
    const QString file = folder + QStringLiteral("/doc.txt");
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("locked")));
    if (exists)
        QVERIFY(writePlainFile(file, oldBytes));
    const ino_t inode = statOf(file).st_ino;
    LockedFolder locked(folder);
    QVERIFY(locked.isLocked());

    FileResult result{false, QString()};
    {
        const FileSizeLimit limit(sizeLimit);
        QVERIFY(sizeLimit == 0 || limit.isLowered());
        result = writeWholeFile(file, newBytes);
    }
    if (failure.isEmpty())
        QVERIFY2(result.ok, qPrintable(result.error));
    else
        QVERIFY2(!result.ok && result.error.contains(failure), qPrintable(result.error));
    if (exists && !failure.isEmpty())
        QVERIFY2(result.error.contains(QStringLiteral("its old content has been put back")),
                 qPrintable(result.error));
    QCOMPARE(plainFileBytes(file), !exists ? QByteArray("<unreadable>") : failure.isEmpty() ? newBytes : oldBytes);
    QCOMPARE(folderEntries(folder), exists ? QStringList{QStringLiteral("doc.txt")} : QStringList());
    if (exists)
        QCOMPARE(statOf(file).st_ino, inode);
}

void TestInPlaceSave::saveInFolderWeMayNotWriteAsNobody()
{
    if (::geteuid() != 0)
        QSKIP("not root: saveInFolderWeMayNotWriteShouldWriteInPlace runs directly");
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty())
        QSKIP("setpriv is not installed, so the test cannot run as an unprivileged user");
    // A copy of this program where nobody may run it, and a temporary folder of
    // nobody's own: the checkout itself may be closed to other users.
    const QString program = path(QStringLiteral("tst_inplacesave"));
    const QString work = path(QStringLiteral("work"));
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("work")));
    QCOMPARE(::chmod(QFile::encodeName(m_dir->path()).constData(), 0755), 0);
    QCOMPARE(::chmod(QFile::encodeName(program).constData(), 0755), 0);
    QCOMPARE(::chown(QFile::encodeName(work).constData(), kNobody, kNobody), 0);

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), work);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(setpriv, {QStringLiteral("--reuid=%1").arg(kNobody), QStringLiteral("--regid=%1").arg(kNobody),
                          QStringLiteral("--clear-groups"), QStringLiteral("--"), program,
                          QStringLiteral("saveInFolderWeMayNotWriteShouldWriteInPlace")});
    QVERIFY2(child.waitForFinished(-1), qPrintable(child.errorString()));
    const QString output = QString::fromLocal8Bit(child.readAll());
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, qPrintable(output));
    QVERIFY2(output.contains(QStringLiteral("PASS   : TestInPlaceSave::saveInFolderWeMayNotWriteShouldWriteInPlace(longer)")),
             qPrintable(output));
    QVERIFY2(!output.contains(QStringLiteral("SKIP")), qPrintable(output));
}

void TestInPlaceSave::bindMountedFileShouldBeWrittenInPlace_data()
{
    addOldAndNewRows();
}

void TestInPlaceSave::bindMountedFileShouldBeWrittenInPlace()
{
    QFETCH(QByteArray, oldBytes);
    QFETCH(QByteArray, newBytes);
    const QString source = path(QStringLiteral("source.txt"));
    const QString file = path(QStringLiteral("doc.txt"));
    QVERIFY(writePlainFile(source, oldBytes));
    QVERIFY(writePlainFile(file, "covered by the mount"));
    BindMount mount(source, file);
    const QString why = mount.mount();
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    const QStringList entries = folderEntries(m_dir->path());

    const FileResult result = writeWholeFile(file, newBytes);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(plainFileBytes(file), newBytes);
    QCOMPARE(plainFileBytes(source), newBytes); // the mounted file itself was written
    QCOMPARE(folderEntries(m_dir->path()), entries);
}

void TestInPlaceSave::fullDiskDuringInPlaceWriteShouldPutOldBytesBack_data()
{
    QTest::addColumn<qsizetype>("fillerSize"); // bytes taken before saving
    QTest::addColumn<qsizetype>("size");       // bytes to save
    QTest::newRow("file larger than the disk") << qsizetype(0) << qsizetype(256 * 1024);
    QTest::newRow("small file on a full disk") << qsizetype(60 * 1024) << qsizetype(5000);
}

void TestInPlaceSave::fullDiskDuringInPlaceWriteShouldPutOldBytesBack()
{
    QFETCH(qsizetype, fillerSize);
    QFETCH(qsizetype, size);
    // The file lives on a small tmpfs and is mounted over a file of the test
    // folder, which has room: the new file beside it is written, the rename
    // fails and the bytes go into the small disk in place.
    const QString disk = path(QStringLiteral("disk"));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("disk")));
    TmpfsMount tmpfs(disk);
    QString why = tmpfs.mount();
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    const QString source = disk + QStringLiteral("/doc.txt");
    const QString file = path(QStringLiteral("doc.txt"));
    QVERIFY(writePlainFile(source, "old contents"));
    QVERIFY(writePlainFile(disk + QStringLiteral("/filler"), bigBytes(fillerSize)));
    QVERIFY(writePlainFile(file, "covered by the mount"));
    BindMount mount(source, file);
    why = mount.mount();
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    const QStringList entries = folderEntries(m_dir->path());

    const FileResult result = writeWholeFile(file, bigBytes(size));
    QVERIFY(!result.ok);
    QVERIFY2(result.error.startsWith(QStringLiteral("Cannot save the file ") + file), qPrintable(result.error));
    QVERIFY2(result.error.contains(QString::fromLocal8Bit(strerror(ENOSPC))), qPrintable(result.error));
    QVERIFY2(result.error.contains(QStringLiteral("its old content has been put back")), qPrintable(result.error));
    QCOMPARE(plainFileBytes(file), QByteArray("old contents"));
    QCOMPARE(folderEntries(m_dir->path()), entries);
    // Whatever room the attempt took is free again.
    QVERIFY(QFile::remove(disk + QStringLiteral("/filler")));
    const FileResult later = writeWholeFile(file, bigBytes(32 * 1024));
    QVERIFY2(later.ok, qPrintable(later.error));
    QCOMPARE(plainFileBytes(source), bigBytes(32 * 1024));
}

QTEST_GUILESS_MAIN(TestInPlaceSave)
#include "tst_inplacesave.moc"
