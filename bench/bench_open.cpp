// Opening a large document in the editor window, against the floor that any
// editor built on QPlainTextEdit has: setting the same text into a bare one.
#include "harness.h"

#include "about/aboutdialog.h"
#include "about/frmAbout.h"
#include "document/documentcommands.h"
#include "document/fileio.h"
#include "app/frmNotepad.h"

#include <QCoreApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace wimblet;

namespace {

constexpr qsizetype kSize = qsizetype(50) << 20;

QString writeSample(const QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("open.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bench::sampleOfSize(kSize)) < kSize) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(2);
    }
    return path;
}

double bareSetPlainText(const QString &path)
{
    QByteArray bytes;
    readWholeFile(path, bytes);
    return bench::bareSetPlainText(QString::fromUtf8(bytes));
}

double openInWindow(const QString &path)
{
    return bench::bestOf(3, [&] {
        frmNotepad window;
        window.show();
        QCoreApplication::processEvents();
        window.document().LoadDocumentFile(path); // read, decode, set, refresh
        QCoreApplication::processEvents();
    });
}

} // namespace

WIMBLET_BENCH(document_open_window)
{
    bench::ensureApplication();
    QTemporaryDir dir;
    const QString path = writeSample(dir);
    const double bare = bareSetPlainText(path);
    const double ours = openInWindow(path);
    bench::reportRatio("open 50 MB in the window / bare setPlainText", ours, bare, 2.5);

    QProcess probe;
    probe.start(QStringLiteral(WIMBLET_MEMPROBE), {path});
    probe.waitForFinished(-1);
    const double peakMiB = probe.readAllStandardOutput().trimmed().toDouble() / 1024.0;
    bench::reportAtMost("peak memory with the 50 MB document open", peakMiB, 300, "MiB");
}
