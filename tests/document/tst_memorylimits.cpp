// Files too large for the memory left: refused before reading by their size,
// caught when memory runs out while reading, and files that give no size read
// only up to a cap.
#include "document/documentcommands.h"
#include "document/fileio.h"
#include "document/memoryroom.h"
#include "fakehost.h"
#include "support/scripteddialogs.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <limits>
#include <optional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace wimblet;
using namespace wimblet::testsupport;

using MaybeSize = std::optional<quint64>;
Q_DECLARE_METATYPE(MaybeSize)
Q_DECLARE_METATYPE(MemoryRoom)

namespace {

constexpr quint64 kMax = std::numeric_limits<quint64>::max();
constexpr quint64 kMiB = quint64(1) << 20;
constexpr qint64 kMB = 1000 * 1000;

MemoryRoom room(MaybeSize limit, quint64 inUse, MaybeSize available, quint64 swap)
{
    MemoryRoom r;
    r.addressSpaceLimit = limit;
    r.addressSpaceInUse = inUse;
    r.memoryAvailable = available;
    r.swapFree = swap;
    return r;
}

// What the child process found: its exit code says what went wrong, its output
// is the message it was shown.
struct ChildOutcome {
    int exitCode = -1;
    QString message;
};

constexpr char kChildSwitch[] = "--open-under-limit";

// The child: lowers the address-space limit to what this process uses now plus
// `headroom`, then opens `file` through the document commands. 0 when the open
// was refused with one message and the document untouched, or when it opened with
// no message.
int openUnderLimit(const QString &file, quint64 headroom)
{
    FakeHost host;
    host.boxText = QStringLiteral("kept");
    ScriptedMessageBox boxes;
    ScriptedFileDialog files;
    DialogGuard guard;
    CommonDialog dialog(files, guard);
    DocumentCommands doc(host, dialog, boxes, guard);
    const quint64 inUse = currentMemoryRoom().addressSpaceInUse;
    const rlimit limit{rlim_t(inUse + headroom), rlim_t(inUse + headroom)};
    if (inUse == 0 || ::setrlimit(RLIMIT_AS, &limit) != 0)
        return 10;
    if (doc.LoadDocumentFile(file))
        return host.setTextCalls == 1 && boxes.texts.isEmpty() ? 0 : 11;
    if (host.setTextCalls != 0 || host.boxText != QLatin1String("kept"))
        return 12;
    if (boxes.errorCount() != 1)
        return 13;
    const QByteArray message = boxes.texts.constFirst().toUtf8();
    return std::fwrite(message.constData(), 1, size_t(message.size()), stdout)
                    == size_t(message.size()) ? 0 : 14;
}

// Runs this program again as the child. A new program rather than a copy of
// this one: memory this one took and freed stays in its allocator's hands,
// inside the address space yet free to use, and the limit would not bite.
ChildOutcome openInChildUnderLimit(const QString &file, quint64 headroom)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QString::fromLatin1(kChildSwitch), file, QString::number(headroom)});
    ChildOutcome outcome;
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit)
        return outcome;
    outcome.exitCode = child.exitCode();
    outcome.message = QString::fromUtf8(child.readAllStandardOutput());
    return outcome;
}

} // namespace

class TestMemoryLimits : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void freeMemoryShouldBeTheSmallerRoom_data();
    void freeMemoryShouldBeTheSmallerRoom();
    void needShouldFitOnlyWithinTheRoom_data();
    void needShouldFitOnlyWithinTheRoom();
    void procSizeFieldShouldReadKibibytes_data();
    void procSizeFieldShouldReadKibibytes();
    void currentRoomShouldComeFromTheSystem();
    void fileWithoutSizeShouldBeReadUpToTheCap_data();
    void fileWithoutSizeShouldBeReadUpToTheCap();
    void openUnderLoweredAddressSpace_data();
    void openUnderLoweredAddressSpace();
    void openWithNoRoomInTheBoxShouldChangeNothing();
};

void TestMemoryLimits::openWithNoRoomInTheBoxShouldChangeNothing()
{
    QTemporaryDir dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    const QString file = dir.filePath(QStringLiteral("kecil.txt"));
    QFile small(file);
    QVERIFY(small.open(QIODevice::WriteOnly) && small.write("baru\r\n") == 6);
    small.close();
    FakeHost host;
    host.boxText = QStringLiteral("kept");
    host.boxFull = true;
    ScriptedMessageBox boxes;
    ScriptedFileDialog files;
    DialogGuard guard;
    CommonDialog dialog(files, guard);
    DocumentCommands doc(host, dialog, boxes, guard);
    QVERIFY(!doc.LoadDocumentFile(file));
    QCOMPARE(host.boxText, QStringLiteral("kept"));
    QCOMPARE(host.caption, QStringLiteral("Wimblet"));
    QCOMPARE(boxes.errorCount(), 1);
    QVERIFY2(boxes.texts.constFirst().contains(QStringLiteral("not enough memory")),
             qPrintable(boxes.texts.constFirst()));
}

void TestMemoryLimits::freeMemoryShouldBeTheSmallerRoom_data()
{
    QTest::addColumn<MemoryRoom>("room");
    QTest::addColumn<MaybeSize>("expected");
    QTest::newRow("nothing known") << room({}, 5000, {}, 0) << MaybeSize();
    QTest::newRow("address space only") << room(1000, 400, {}, 0) << MaybeSize(600);
    QTest::newRow("address space used beyond its limit") << room(1000, 1200, {}, 0) << MaybeSize(0);
    QTest::newRow("memory and swap only") << room({}, 400, 500, 100) << MaybeSize(600);
    QTest::newRow("address space smaller") << room(1000, 900, 500, 100) << MaybeSize(100);
    QTest::newRow("memory smaller") << room(10000, 900, 500, 100) << MaybeSize(600);
    QTest::newRow("memory and swap beyond counting") << room({}, 0, kMax, 10) << MaybeSize(kMax);
}

void TestMemoryLimits::freeMemoryShouldBeTheSmallerRoom()
{
    QFETCH(MemoryRoom, room);
    QFETCH(MaybeSize, expected);
    QCOMPARE(freeMemory(room), expected);
}

void TestMemoryLimits::needShouldFitOnlyWithinTheRoom_data()
{
    const quint64 free = 800 * kMiB;
    const MemoryRoom limited = room(free + 100, 100, {}, 0);
    QTest::addColumn<quint64>("need");
    QTest::addColumn<MemoryRoom>("room");
    QTest::addColumn<bool>("fits");
    QTest::newRow("nothing known, any need") << kMax << room({}, 0, {}, 0) << true;
    QTest::newRow("exactly the room") << free << limited << true;
    QTest::newRow("one byte more") << free + 1 << limited << false;
    QTest::newRow("memory free, address space not") << 10 * kMiB << room(50 * kMiB, 45 * kMiB, kMax, 0)
                                                    << false;
    QTest::newRow("a shape beyond counting") << memoryToOpen({kMax / 2, kMax / 2})
                                             << room({}, 0, kMax - 1, 0) << false;
}

void TestMemoryLimits::needShouldFitOnlyWithinTheRoom()
{
    QFETCH(quint64, need);
    QFETCH(MemoryRoom, room);
    QFETCH(bool, fits);
    QCOMPARE(fitsInMemory(need, room), fits);
}

void TestMemoryLimits::procSizeFieldShouldReadKibibytes_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<MaybeSize>("expected");
    const QByteArray meminfo = "MemTotal:       24683748 kB\nMemFree:        23260080 kB\n"
                               "MemAvailable:   24299448 kB\nSwapTotal:             0 kB\n"
                               "SwapFree:              0 kB\nHugePages_Total:       0";
    QTest::newRow("middle line") << meminfo << QByteArray("MemAvailable") << MaybeSize(24299448ull * 1024);
    QTest::newRow("zero") << meminfo << QByteArray("SwapFree") << MaybeSize(0);
    QTest::newRow("missing") << meminfo << QByteArray("Cached") << MaybeSize();
    QTest::newRow("a count, not a size") << meminfo << QByteArray("HugePages_Total") << MaybeSize();
    QTest::newRow("name that starts another") << QByteArray("VmSizeX: 1 kB\nVmSize:\t   12 kB")
                                              << QByteArray("VmSize") << MaybeSize(12 * 1024);
    QTest::newRow("only the start of a name") << QByteArray("VmSize: 12 kB\n") << QByteArray("Vm")
                                              << MaybeSize();
    QTest::newRow("not a number") << QByteArray("VmSize: many kB\n") << QByteArray("VmSize")
                                  << MaybeSize();
    QTest::newRow("beyond counting") << QByteArray("VmSize: 99999999999999999999 kB\n")
                                     << QByteArray("VmSize") << MaybeSize();
}

void TestMemoryLimits::procSizeFieldShouldReadKibibytes()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, name);
    QFETCH(MaybeSize, expected);
    QCOMPARE(procSizeField(text, name), expected);
}

void TestMemoryLimits::currentRoomShouldComeFromTheSystem()
{
    const MemoryRoom now = currentMemoryRoom();
    QVERIFY(now.addressSpaceInUse > 0);
    QVERIFY(now.memoryAvailable.has_value());
    QVERIFY(*now.memoryAvailable > 0);
}

void TestMemoryLimits::fileWithoutSizeShouldBeReadUpToTheCap_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("start"); // of what is read; empty when refused
    QTest::newRow("process status, small") << QStringLiteral("/proc/self/status") << QByteArray("Name:");
    // Eight bytes for every page of the address space: it ends only after terabytes.
    QTest::newRow("page map, without end") << QStringLiteral("/proc/self/pagemap") << QByteArray();
}

void TestMemoryLimits::fileWithoutSizeShouldBeReadUpToTheCap()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, start);
    if (!QFile(file).open(QIODevice::ReadOnly))
        QSKIP(qPrintable(file + QStringLiteral(" cannot be read in this sandbox")));
    QByteArray bytes("kept");
    const FileResult result = readWholeFile(file, bytes);
    if (!start.isEmpty()) {
        QVERIFY2(result.ok, qPrintable(result.error));
        QVERIFY(bytes.startsWith(start));
        return;
    }
    QVERIFY(!result.ok);
    QCOMPARE(bytes, QByteArray("kept"));
    QVERIFY2(result.error.startsWith(QStringLiteral("Cannot open the file ") + file), qPrintable(result.error));
    QVERIFY2(result.error.contains(QStringLiteral("does not give its size")), qPrintable(result.error));
}

// Writes `bytes` of `line` over and over to a new file; an empty line makes a sparse file.
bool makeFile(const QString &path, qint64 bytes, const QByteArray &line)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (line.isEmpty())
        return file.resize(bytes);
    const QByteArray block = line.repeated(qsizetype(kMiB) / line.size());
    for (qint64 done = 0; done < bytes; done += block.size())
        if (file.write(block) != block.size())
            return false;
    return true;
}

void TestMemoryLimits::openUnderLoweredAddressSpace_data()
{
    QTest::addColumn<QString>("file");     // empty: one made of `line` to `size` bytes
    QTest::addColumn<QByteArray>("line");  // empty: a sparse file
    QTest::addColumn<qint64>("size");
    QTest::addColumn<quint64>("headroom"); // address space left under the lowered limit
    QTest::addColumn<QString>("reason");   // empty: it opens
    const QByteArray prose = QByteArray("Kami pergi ke pasar pagi ini, lalu makan nasi goreng di"
                                        " warung dekat sekolah bersama teman lama.\r\n");
    QByteArray prose16 = QByteArray("\xff\xfe");
    for (const char c : prose)
        prose16.append(c).append('\0');
    // Refused by its size before anything is read.
    QTest::newRow("sparse file larger than the room") << QString() << QByteArray()
            << (qint64(1) << 30) << 256 * kMiB << QStringLiteral("would take at least");
    // Its lines could be longer than a paragraph's length can say: refused before any room.
    QTest::newRow("sparse file longer than a text may be") << QString() << QByteArray()
            << (qint64(1) << 31) << 256 * kMiB << QStringLiteral("Wimblet opens files of up to");
    // Gives no size, so memory runs out while it is read; the document layer catches it.
    QTest::newRow("file without size or end") << QStringLiteral("/proc/self/pagemap") << QByteArray()
            << qint64(0) << 8 * kMiB << QStringLiteral("There is not enough memory to open it.");
    // Its text and lines fit, though not at what a file of line breaks alone takes a byte.
    QTest::newRow("prose that fits") << QString() << prose << 40 * kMB << 128 * kMiB << QString();
    QTest::newRow("UTF-16 prose that fits") << QString() << prose16 << 80 * kMB << 128 * kMiB
                                            << QString();
    // A third of its size, but a paragraph every two bytes: refused once read.
    QTest::newRow("line breaks that do not fit") << QString() << QByteArray("\r\n") << 12 * kMB
            << 128 * kMiB << QStringLiteral("would take about");
}

void TestMemoryLimits::openUnderLoweredAddressSpace()
{
#ifdef WIMBLET_SANITIZE
    QSKIP("AddressSanitizer reserves terabytes of address space for its shadow memory, so the"
          " process cannot run under a lowered address-space limit");
#endif
    QFETCH(QString, file);
    QFETCH(QByteArray, line);
    QFETCH(qint64, size);
    QFETCH(quint64, headroom);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    if (file.isEmpty()) {
        file = dir.filePath(QStringLiteral("besar.txt"));
        QVERIFY(makeFile(file, size, line));
    }
    const ChildOutcome outcome = openInChildUnderLimit(file, headroom);
    QCOMPARE(outcome.exitCode, 0);
    if (reason.isEmpty()) {
        QCOMPARE(outcome.message, QString());
        return;
    }
    QVERIFY2(outcome.message.startsWith(QStringLiteral("Cannot open the file ") + file),
             qPrintable(outcome.message));
    QVERIFY2(outcome.message.contains(reason), qPrintable(outcome.message));
}

int main(int argc, char *argv[])
{
    if (argc == 4 && std::strcmp(argv[1], kChildSwitch) == 0)
        return openUnderLimit(QString::fromLocal8Bit(argv[2]), std::strtoull(argv[3], nullptr, 10));
    QCoreApplication app(argc, argv);
    TestMemoryLimits test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_memorylimits.moc"
