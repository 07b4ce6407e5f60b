// Opens one file in the editor window and prints the process's peak memory, in KiB.
// Run by the benchmarks in a process of its own so that nothing else counts.
#include "about/aboutdialog.h"
#include "about/frmAbout.h"
#include "document/documentcommands.h"
#include "app/frmNotepad.h"

#include <QApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: wimblet-memprobe FILE\n");
        return 2;
    }
    QApplication app(argc, argv);
    wimblet::frmNotepad window;
    window.show();
    QCoreApplication::processEvents();
    if (!window.document().LoadDocumentFile(QString::fromLocal8Bit(argv[1])))
        return 1;
    QCoreApplication::processEvents();
    // VmHWM belongs to this program's own memory map; getrusage()'s maximum would
    // also count what the benchmark process held when it started this one.
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            std::printf("%s\n", line.mid(6).trimmed().split(' ').value(0).constData());
            return 0;
        }
    }
    return 1;
}
