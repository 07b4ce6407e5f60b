#include "document/atomicreplace.h"
#include "document/fileio.h"
#include "document/newfilename.h"
#include "mounts.h"
#include "realfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace wimblet;

namespace {

uint modeBits(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0xFFFF;
}

// The document the kill test saves over, and the one it saves, in MiB.
constexpr int kOldMebibytes = 200;
constexpr int kNewMebibytes = 201;
// The save killed while it writes a file named from the start, and stalled half way.
constexpr int kStalledMebibytes = 8;

bool takesUnnamedFiles(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_WRONLY, 0600);
    return fd >= 0 && ::close(fd) == 0;
}

// Waits until the process holds a new file beside `old` of at least `size` bytes, or
// has ended (a process that has ended holds no descriptors).
void waitForNewFile(qint64 pid, const struct stat &old, qint64 size)
{
    const QString fds = QStringLiteral("/proc/%1/fd/").arg(pid);
    for (;;) {
        const QStringList names = QDir(fds).entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
        if (names.isEmpty())
            return;
        for (const QString &name : names) {
            const struct stat st = statOf(fds + name);
            if (S_ISREG(st.st_mode) && st.st_dev == old.st_dev && st.st_ino != old.st_ino
                && st.st_size >= size)
                return;
        }
        ::usleep(100);
    }
}

// Saves `mebibytes` MiB over `doc` in a process of its own and kills it once its new
// file holds `size` bytes; returns its process id.
qint64 killSave(const QString &doc, int mebibytes, qint64 size, const QStringList &options = {})
{
    const struct stat old = statOf(doc);
    QProcess save;
    save.start(QStringLiteral(WIMBLET_TEST_SAVE),
               QStringList {doc, QString::number(mebibytes)} + options);
    if (!save.waitForStarted())
        return 0;
    const qint64 pid = save.processId();
    waitForNewFile(pid, old, size);
    save.kill();
    save.waitForFinished(-1);
    return pid;
}

} // namespace

class TestFileIo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void writtenBytesShouldReadBackUnchanged_data();
    void writtenBytesShouldReadBackUnchanged();
    void writeShouldReplaceALongerOldFileEntirely();
    void writeShouldKeepPermissionBits_data();
    void writeShouldKeepPermissionBits();
    void writeThroughSymlinkShouldWriteTargetAndKeepLinks_data();
    void writeThroughSymlinkShouldWriteTargetAndKeepLinks();
    void failedWriteShouldLeaveOldFileAndNoTemporary_data();
    void failedWriteShouldLeaveOldFileAndNoTemporary();
    void failedReadShouldNameTheFile_data();
    void failedReadShouldNameTheFile();
    void writeOnReadOnlyFileSystemShouldFailSafely();
    void writeOnFullFileSystemShouldFailSafely_data();
    void writeOnFullFileSystemShouldFailSafely();
    void killedSaveShouldLeaveNothingBeside_data();
    void killedSaveShouldLeaveNothingBeside();
    void leftoverOfAKilledSaveShouldGoBeforeTheNextNamedFile();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    void checkUntouched(const FileResult &result, const QString &named, const QString &oldFile,
                        const QByteArray &oldBytes, const QStringList &entries);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFileIo::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY2(m_dir->isValid(), qPrintable(m_dir->errorString()));
}

void TestFileIo::cleanup()
{
    m_dir.reset();
}

void TestFileIo::checkUntouched(const FileResult &result, const QString &named,
                                const QString &oldFile, const QByteArray &oldBytes,
                                const QStringList &entries)
{
    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains(QDir::toNativeSeparators(named)), qPrintable(result.error));
    QCOMPARE(plainFileBytes(oldFile), oldBytes);
    QCOMPARE(folderEntries(QFileInfo(oldFile).path()), entries);
}

void TestFileIo::writtenBytesShouldReadBackUnchanged_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one line") << QByteArray("a\r\nb\r\n");
    QTest::newRow("two megabytes of every byte value") << bigBytes(2 << 20);
}

void TestFileIo::writtenBytesShouldReadBackUnchanged()
{
    QFETCH(QByteArray, bytes);
    const QString file = path(QStringLiteral("new file.txt"));
    const FileResult written = writeWholeFile(file, bytes);
    QVERIFY2(written.ok, qPrintable(written.error));
    QByteArray read("stale");
    const FileResult result = readWholeFile(file, read);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(read, bytes);
    QCOMPARE(folderEntries(m_dir->path()), QStringList{QStringLiteral("new file.txt")});
}

void TestFileIo::writeShouldReplaceALongerOldFileEntirely()
{
    const QString file = path(QStringLiteral("doc.txt"));
    QVERIFY(writePlainFile(file, bigBytes(100000)));
    const FileResult result = writeWholeFile(file, "short\r\n");
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(plainFileBytes(file), QByteArray("short\r\n"));
}

void TestFileIo::writeShouldKeepPermissionBits_data()
{
    QTest::addColumn<uint>("mode");
    QTest::newRow("0640") << 0640u;
    QTest::newRow("0600") << 0600u;
    QTest::newRow("0755") << 0755u;
    QTest::newRow("0444, read-only for everyone") << 0444u;
}

void TestFileIo::writeShouldKeepPermissionBits()
{
    QFETCH(uint, mode);
    const QString file = path(QStringLiteral("doc.txt"));
    QVERIFY(writePlainFile(file, "old"));
    QCOMPARE(::chmod(QFile::encodeName(file).constData(), mode), 0);
    if (mode == 0444u && ::geteuid() != 0)
        QSKIP("only root can replace a file it may not write");
    const FileResult result = writeWholeFile(file, "new");
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(plainFileBytes(file), QByteArray("new"));
    QCOMPARE(modeBits(file), mode);
}

void TestFileIo::writeThroughSymlinkShouldWriteTargetAndKeepLinks_data()
{
    QTest::addColumn<QStringList>("links"); // each link points to the next name, the last to the file
    QTest::newRow("one link") << QStringList{QStringLiteral("link")};
    QTest::newRow("chain of relative links")
            << QStringList{QStringLiteral("first"), QStringLiteral("sub/second")};
}

void TestFileIo::writeThroughSymlinkShouldWriteTargetAndKeepLinks()
{
    QFETCH(QStringList, links);
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("sub")));
    const QString target = path(QStringLiteral("sub/target.txt"));
    QVERIFY(writePlainFile(target, "old contents"));
    QVERIFY(::chmod(QFile::encodeName(target).constData(), 0640) == 0);
    QString next = target;
    for (qsizetype i = links.size() - 1; i >= 0; --i) {
        const QString link = path(links[i]);
        const QString relative = QFileInfo(link).dir().relativeFilePath(next);
        QVERIFY(QFile::link(relative, link));
        next = link;
    }
    const FileResult result = writeWholeFile(path(links.first()), "new\r\n");
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(plainFileBytes(target), QByteArray("new\r\n"));
    QCOMPARE(modeBits(target), 0640u);
    for (const QString &link : std::as_const(links))
        QVERIFY2(QFileInfo(path(link)).isSymLink(), qPrintable(link));
    QStringList expected{QStringLiteral("target.txt")};
    for (const QString &link : std::as_const(links)) {
        if (link.startsWith(QLatin1String("sub/")))
            expected.append(link.mid(4));
    }
    expected.sort();
    QCOMPARE(folderEntries(path(QStringLiteral("sub"))), expected);
}

void TestFileIo::failedWriteShouldLeaveOldFileAndNoTemporary_data()
{
    QTest::addColumn<QString>("name"); // what is written to, inside the test folder
    QTest::addColumn<bool>("lockOldFile");
    QTest::newRow("a folder given as the file") << QStringLiteral("folder") << false;
    QTest::newRow("a path in a missing folder") << QStringLiteral("missing/doc.txt") << false;
    QTest::newRow("a file used as a folder") << QStringLiteral("old.txt/doc.txt") << false;
    QTest::newRow("a symbolic link loop") << QStringLiteral("loop") << false;
    QTest::newRow("a file without write permission") << QStringLiteral("old.txt") << true;
}

void TestFileIo::failedWriteShouldLeaveOldFileAndNoTemporary()
{
    QFETCH(QString, name);
    QFETCH(bool, lockOldFile);
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder")));
    QVERIFY(QFile::link(QStringLiteral("loop"), path(QStringLiteral("loop"))));
    const QString oldFile = path(QStringLiteral("old.txt"));
    QVERIFY(writePlainFile(oldFile, "old contents"));
    if (lockOldFile) {
        if (::geteuid() == 0)
            QSKIP("root writes files without write permission");
        QCOMPARE(::chmod(QFile::encodeName(oldFile).constData(), 0444), 0);
    }
    const QStringList before = folderEntries(m_dir->path());

    const FileResult result = writeWholeFile(path(name), "new contents");
    checkUntouched(result, path(name), oldFile, "old contents", before);
    QVERIFY(folderEntries(path(QStringLiteral("folder"))).isEmpty());
}

void TestFileIo::failedReadShouldNameTheFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing file") << QStringLiteral("missing.txt") << QString::fromLocal8Bit(strerror(ENOENT));
    QTest::newRow("missing folder") << QStringLiteral("missing/doc.txt") << QString::fromLocal8Bit(strerror(ENOENT));
    QTest::newRow("a folder") << QStringLiteral("folder") << QStringLiteral("It is a folder.");
    QTest::newRow("no permission") << QStringLiteral("secret.txt") << QString::fromLocal8Bit(strerror(EACCES));
}

void TestFileIo::failedReadShouldNameTheFile()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder")));
    QVERIFY(writePlainFile(path(QStringLiteral("secret.txt")), "secret"));
    QCOMPARE(::chmod(QFile::encodeName(path(QStringLiteral("secret.txt"))).constData(), 0), 0);
    if (name == QLatin1String("secret.txt") && ::geteuid() == 0)
        QSKIP("root reads files without read permission");

    QByteArray bytes("kept");
    const FileResult result = readWholeFile(path(name), bytes);
    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains(QDir::toNativeSeparators(path(name))), qPrintable(result.error));
    QVERIFY2(result.error.contains(reason), qPrintable(result.error));
    QCOMPARE(bytes, QByteArray("kept"));
}

void TestFileIo::writeOnReadOnlyFileSystemShouldFailSafely()
{
    const QString mountPoint = path(QStringLiteral("mnt"));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("mnt")));
    TmpfsMount tmpfs(mountPoint);
    const QString why = tmpfs.mount();
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    const QString file = mountPoint + QStringLiteral("/doc.txt");
    QVERIFY(writePlainFile(file, "old contents"));
    QVERIFY2(tmpfs.makeReadOnly(), strerror(errno));

    const FileResult result = writeWholeFile(file, "new contents");
    checkUntouched(result, file, file, "old contents", {QStringLiteral("doc.txt")});
    QVERIFY2(result.error.contains(QString::fromLocal8Bit(strerror(EROFS))), qPrintable(result.error));
    QByteArray read;
    QVERIFY(readWholeFile(file, read).ok);
    QCOMPARE(read, QByteArray("old contents"));
}

void TestFileIo::writeOnFullFileSystemShouldFailSafely_data()
{
    QTest::addColumn<qsizetype>("fillerSize"); // bytes taken before saving
    QTest::addColumn<qsizetype>("size");       // bytes to save
    QTest::newRow("file larger than the disk") << qsizetype(0) << qsizetype(256 * 1024);
    QTest::newRow("small file on a full disk") << qsizetype(60 * 1024) << qsizetype(5000);
}

void TestFileIo::writeOnFullFileSystemShouldFailSafely()
{
    QFETCH(qsizetype, fillerSize);
    QFETCH(qsizetype, size);
    const QString mountPoint = path(QStringLiteral("mnt"));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("mnt")));
    TmpfsMount tmpfs(mountPoint);
    const QString why = tmpfs.mount();
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    const QString file = mountPoint + QStringLiteral("/doc.txt");
    const QString filler = mountPoint + QStringLiteral("/filler");
    QVERIFY(writePlainFile(file, "old contents"));
    QVERIFY(writePlainFile(filler, bigBytes(fillerSize)));
    const QStringList before = folderEntries(mountPoint);

    const FileResult result = writeWholeFile(file, bigBytes(size));
    checkUntouched(result, file, file, "old contents", before);
    QVERIFY2(result.error.contains(QString::fromLocal8Bit(strerror(ENOSPC))), qPrintable(result.error));
    // The space the failed attempt took is free again.
    QVERIFY(QFile::remove(filler));
    QVERIFY(writeWholeFile(file, bigBytes(32 * 1024)).ok);
}

void TestFileIo::killedSaveShouldLeaveNothingBeside_data()
{
    QTest::addColumn<int>("percent"); // of the new file written when the save is killed
    QTest::newRow("as the new file starts") << 0;
    QTest::newRow("half written") << 50;
    QTest::newRow("nine tenths written") << 90;
}

void TestFileIo::killedSaveShouldLeaveNothingBeside()
{
    QFETCH(int, percent);
    const QString folder = path(QStringLiteral("disk"));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("disk")));
    TmpfsMount tmpfs(folder, "512m");
    const QString why = tmpfs.mount();
    if (!why.isEmpty() && !takesUnnamedFiles(folder))
        QSKIP(qPrintable(why + QStringLiteral(", and the file system of ") + folder
                         + QStringLiteral(" refuses O_TMPFILE")));
    const QString doc = folder + QStringLiteral("/doc.txt");
    const QByteArray oldBytes(kOldMebibytes << 20, 'o');
    QVERIFY(writePlainFile(doc, oldBytes));
    QVERIFY(killSave(doc, kNewMebibytes, ((qint64(kNewMebibytes) << 20) + 2) * percent / 100) != 0);

    QCOMPARE(folderEntries(folder), QStringList{QStringLiteral("doc.txt")});
    // The document is whole, old or new.
    const QByteArray bytes = plainFileBytes(doc);
    QVERIFY(bytes == oldBytes || bytes == QByteArray(kNewMebibytes << 20, 'n') + "\r\n");
}

void TestFileIo::leftoverOfAKilledSaveShouldGoBeforeTheNextNamedFile()
{
    const std::optional<FileMaker> self = thisProcess();
    if (!self)
        QSKIP("/proc tells no boot id or start time here");
    const QString folder = path(QStringLiteral("disk"));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("disk")));
    // On a file system of its own, its free room tells whether the leftover went first.
    TmpfsMount tmpfs(folder, "64m");
    const bool ownDisk = tmpfs.mount().isEmpty();
    const QString doc = folder + QStringLiteral("/doc.txt");
    QVERIFY(writePlainFile(doc, QByteArray(1 << 20, 'o')));
    const qint64 pid = killSave(doc, kStalledMebibytes, 1 << 20, {QStringLiteral("--named-stalled")});
    const QString leftover = folderEntries(folder).value(0);
    const std::optional<FileMaker> killed = makerOfName(QFile::encodeName(leftover));
    QVERIFY2(killed && killed->pid == quint64(pid), qPrintable(leftover));

    // Another machine's file and a running process's stay.
    FileMaker elsewhere = *killed;
    elsewhere.host = "elsewhere";
    QStringList kept {QString::fromLatin1(newFileName(elsewhere, 1)),
                      QString::fromLatin1(newFileName(*self, 2))};
    for (const QString &name : std::as_const(kept))
        QVERIFY(writePlainFile(folder + u'/' + name, "kept"));
    kept << QStringLiteral("doc.txt") << QStringLiteral("filler");
    const QByteArray newBytes(kStalledMebibytes << 19, 'n');
    struct statvfs fs;
    QCOMPARE(::statvfs(QFile::encodeName(folder).constData(), &fs), 0);
    // On its own disk, room for the new file only once the leftover is gone.
    const qint64 room = newBytes.size() - QFileInfo(folder + u'/' + leftover).size() / 2;
    QVERIFY(writePlainFile(folder + QStringLiteral("/filler"),
                           QByteArray(ownDisk ? qint64(fs.f_bavail * fs.f_frsize) - room : 0, 'f')));
    nameNewFilesFromStartForTesting(true);
    const FileResult result = writeWholeFile(doc, newBytes);
    nameNewFilesFromStartForTesting(false);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(plainFileBytes(doc), newBytes);
    QStringList entries = folderEntries(folder);
    entries.sort();
    kept.sort();
    QCOMPARE(entries, kept);
}

QTEST_GUILESS_MAIN(TestFileIo)
#include "tst_fileio.moc"
