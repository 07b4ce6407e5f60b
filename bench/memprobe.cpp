// Opens one file in the editor window and prints the process's peak memory, in KiB.
// Run by the benchmarks in a process of its own so that nothing else counts.
//
//   wimblet-memprobe FILE                  the open alone
//   wimblet-memprobe --key-and-exit FILE   then one typed key and Exit, whose
//                                          unsaved-changes prompt answers Cancel
//   wimblet-memprobe --counted FILE        the open and every row counted; prints
//                                          the peak resident and the peak virtual size
#include "about/aboutdialog.h"
#include "about/frmAbout.h"
#include "document/documentcommands.h"
#include "app/frmNotepad.h"
#include "support/scripteddialogs.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>

#include <cstdio>
#include <cstring>

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

} // namespace

int main(int argc, char *argv[])
{
    const bool keyAndExit = argc == 3 && std::strcmp(argv[1], "--key-and-exit") == 0;
    const bool counted = argc == 3 && std::strcmp(argv[1], "--counted") == 0;
    if (argc != 2 && !keyAndExit && !counted) {
        std::fprintf(stderr, "usage: wimblet-memprobe [--key-and-exit | --counted] FILE\n");
        return 2;
    }
    QApplication app(argc, argv);
    wimblet::testsupport::ScriptedMessageBox boxes;
    wimblet::testsupport::ScriptedFileDialog files;
    wimblet::NotepadServices services;
    if (keyAndExit)
        services = {&boxes, &files, {}};
    wimblet::frmNotepad window(services);
    window.show();
    QCoreApplication::processEvents();
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
