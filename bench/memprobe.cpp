// Opens one file in the editor window and prints the process's peak memory, in KiB.
// Run by the benchmarks in a process of its own so that nothing else counts.
//
//   wimblet-memprobe FILE                  the open alone
//   wimblet-memprobe --key-and-exit FILE   then one typed key and Exit, whose
//                                          unsaved-changes prompt answers Cancel
//   wimblet-memprobe --counted FILE        the open and every row counted; prints
//                                          the peak resident and the peak virtual size
//   wimblet-memprobe --growth FILE         the address space before the open and its
//                                          largest size during it, every row counted,
//                                          the same around Cute Style, then VmPeak:
//                                          what the checks before an open and a
//                                          conversion estimate
#include "about/aboutdialog.h"
#include "about/frmAbout.h"
#include "document/documentcommands.h"
#include "app/frmNotepad.h"
#include "support/scripteddialogs.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

// A key typed into the text box, then Exit chosen from the menu. The scripted box
// answers the prompt Cancel, so nothing is written and the window stays.
bool typeKeyAndExit(wimblet::frmNotepad &window, const wimblet::testsupport::ScriptedMessageBox &boxes)
{
    QKeyEvent down(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QCoreApplication::sendEvent(window.components().txt, &down);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QCoreApplication::sendEvent(window.components().txt, &up);
    QCoreApplication::processEvents();
    window.menuActions().value(QStringLiteral("mnuExit"))->trigger();
    QCoreApplication::processEvents();
    return boxes.texts.size() == 1 && !window.hasEnded();
}

// VmHWM belongs to this program's own memory map; getrusage()'s maximum would
// also count what the benchmark process held when it started this one.
int printPeak(const char *field = "VmHWM:")
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            const QByteArray kib = line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').value(0);
            std::printf("%s\n", kib.constData());
            return 0;
        }
    }
    return 1;
}

// VmSize in KiB, read the way the kernel writes it.
long vmSizeKib()
{
    char buf[4096];
    const int fd = ::open("/proc/self/status", O_RDONLY);
    const ssize_t got = fd < 0 ? -1 : ::read(fd, buf, sizeof buf - 1);
    if (fd >= 0)
        ::close(fd);
    if (got <= 0)
        return 0;
    buf[got] = 0;
    const char *line = std::strstr(buf, "VmSize:");
    return line ? std::strtol(line + 7, nullptr, 10) : 0;
}

// The largest VmSize seen while a step runs, polled from a thread started before the
// size before the step is read. VmPeak cannot be reset, so a step whose peak stays
// below an earlier one (a conversion after an open of many lines) shows it only so;
// where VmPeak does show it, the two agree within a few MiB.
class SizeWatch
{
public:
    SizeWatch() : m_thread([this] { watch(); }) { }
    ~SizeWatch()
    {
        m_stop = true;
        m_thread.join();
    }
    // Starts a step: the size now, and the largest seen from now on.
    long start()
    {
        m_largest = 0;
        return vmSizeKib();
    }
    long largest() const { return std::max(m_largest.load(), vmSizeKib()); }

private:
    void watch()
    {
        while (!m_stop) {
            const long size = vmSizeKib();
            if (size > m_largest)
                m_largest = size;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_largest{0};
    std::thread m_thread;
};

// The size before and the largest size during the open, rows counted, then the same
// around Cute Style (rows counted again), and VmPeak at the end, in KiB: the growth
// the checks before an open and a conversion stand for is the largest less the size
// before.
int printGrowth(wimblet::frmNotepad &window, const QString &path,
                const wimblet::testsupport::ScriptedMessageBox &boxes)
{
    SizeWatch watch;
    const long beforeOpen = watch.start();
    const bool opened = window.document().LoadDocumentFile(path);
    for (const QString &text : boxes.texts) // a refusal, under a lowered limit
        std::fprintf(stderr, "%s\n", qPrintable(text));
    if (!opened)
        return 1;
    QCoreApplication::processEvents();
    window.components().txt->rowCount();
    const long open = watch.largest();
    const long beforeCute = watch.start();
    window.menuActions().value(QStringLiteral("cgirly"))->trigger();
    QCoreApplication::processEvents();
    window.components().txt->rowCount();
    for (const QString &text : boxes.texts) // a conversion refused
        std::fprintf(stderr, "%s\n", qPrintable(text));
    std::printf("%ld %ld %ld %ld ", beforeOpen, open, beforeCute, watch.largest());
    return printPeak("VmPeak:");
}

} // namespace

int main(int argc, char *argv[])
{
    const bool keyAndExit = argc == 3 && std::strcmp(argv[1], "--key-and-exit") == 0;
    const bool counted = argc == 3 && std::strcmp(argv[1], "--counted") == 0;
    const bool growth = argc == 3 && std::strcmp(argv[1], "--growth") == 0;
    if (argc != 2 && !keyAndExit && !counted && !growth) {
        std::fprintf(stderr, "usage: wimblet-memprobe [--key-and-exit | --counted | --growth] FILE\n");
        return 2;
    }
    QApplication app(argc, argv);
    wimblet::testsupport::ScriptedMessageBox boxes;
    wimblet::testsupport::ScriptedFileDialog files;
    wimblet::NotepadServices services;
    if (keyAndExit || growth)
        services = {&boxes, &files, {}};
    wimblet::frmNotepad window(services);
    window.show();
    QCoreApplication::processEvents();
    if (growth)
        return printGrowth(window, QString::fromLocal8Bit(argv[2]), boxes);
    if (!window.document().LoadDocumentFile(QString::fromLocal8Bit(argv[argc - 1])))
        return 1;
    QCoreApplication::processEvents();
    if (keyAndExit && !typeKeyAndExit(window, boxes))
        return 1;
    if (counted) {
        window.components().txt->rowCount(); // counts every row
        return printPeak() || printPeak("VmPeak:");
    }
    return printPeak();
}
