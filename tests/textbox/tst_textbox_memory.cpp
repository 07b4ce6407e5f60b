// Memory running out while the box takes a whole new text (a file opened, a style
// conversion, its undo): all or nothing, the box as it was, and Change still raised.
#include "textbox/textbox.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <cstring>
#include <sys/resource.h>

using namespace wimblet;

namespace {

constexpr char kChildSwitch[] = "--under-limit";

// Enough room for the calls themselves, not for the rows of a million paragraphs.
constexpr rlim_t kHeadroom = rlim_t(2) << 20;

rlim_t addressSpaceInUse()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmSize:"))
            return rlim_t(line.mid(7).trimmed().split(' ').constFirst().toULongLong()) << 10;
    return 0;
}

bool setLimit(rlim_t soft)
{
    rlimit limit;
    return ::getrlimit(RLIMIT_AS, &limit) == 0 && (limit.rlim_cur = soft, ::setrlimit(RLIMIT_AS, &limit) == 0);
}

// The child: a box holding a text of a million paragraphs is asked, under a lowered
// address-space limit, to take another whole text. 0 when it kept everything as it was.
int underLimit(const QString &what)
{
    TextBox box;
    box.resize(400, 300);
    const QString before = QStringLiteral("ab\r\n").repeated(1 << 20);
    const QString after = QStringLiteral("AB\r\n").repeated(1 << 20);
    box.setText(before);
    if (what == QLatin1String("undo"))
        box.replaceTextUndoable(after, &before);
    const QString shown = box.Text();
    const qint64 rows = box.rowCount();
    int changes = 0;
    QObject::connect(&box, &TextBox::Change, [&changes] { ++changes; });
    const rlim_t inUse = addressSpaceInUse();
    if (inUse == 0 || !setLimit(inUse + kHeadroom))
        return 10;
    bool thrown = false;
    try {
        if (what == QLatin1String("conversion"))
            box.replaceTextUndoable(after, &before);
        else if (what == QLatin1String("new text"))
            box.setText(after);
        else
            box.undo(); // finds no room, and says so with a beep
    } catch (const std::bad_alloc &) {
        thrown = true;
    }
    if (!setLimit(RLIM_INFINITY))
        return 11;
    if (thrown == (what == QLatin1String("undo")))
        return 12; // memory did not run out where it should have, or escaped the undo
    if (box.Text() != shown || box.rowCount() != rows || changes != 0)
        return 13;
    if (box.canUndo() != (what == QLatin1String("undo")))
        return 14;
    box.replaceRange(0, 0, QStringLiteral("x")); // Change is raised again
    return changes == 1 ? 0 : 15;
}

} // namespace

class TextBoxMemoryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wholeTextIsAllOrNothing_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("a style conversion") << "conversion";
        QTest::newRow("a new text") << "new text";
        QTest::newRow("the undo of a conversion") << "undo";
    }

    void wholeTextIsAllOrNothing()
    {
#ifdef WIMBLET_SANITIZE
        QSKIP("AddressSanitizer reserves terabytes of address space for its shadow memory, so no"
              " address-space limit can be set");
#endif
        QFETCH(QString, what);
        // A program of its own: memory this one took and freed stays in its allocator,
        // inside the address space, and the limit would not bite.
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kChildSwitch), what});
        QVERIFY(child.waitForFinished(-1));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], kChildSwitch) == 0)
        return underLimit(QString::fromLocal8Bit(argv[2]));
    TextBoxMemoryTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_textbox_memory.moc"
