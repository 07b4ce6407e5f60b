// Opens one file in the editor window and prints the process's peak memory, in KiB.
// Run by the benchmarks in a process of its own so that nothing else counts.
#include "about/aboutdialog.h"
#include "about/frmAbout.h"
#include "document/documentcommands.h"
#include "frmNotepad.h"

#include <QApplication>

#include <cstdio>
#include <sys/resource.h>

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
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%ld\n", usage.ru_maxrss);
    return 0;
}
