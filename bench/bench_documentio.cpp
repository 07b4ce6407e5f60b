// Document files at the sizes the piece table is for: saving 200 MB from
// pieces against a copy of the file, opening 50 MB in chunks against the
// plainest read and decode, and the memory opening 200 MB takes.

#include "harness.h"

#include "document/documentencoder.h"
#include "document/documentfile.h"
#include "document/documentreader.h"
#include "document/fileio.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

using namespace wimblet;

namespace {

constexpr qsizetype kMiB = qsizetype(1) << 20;
constexpr qsizetype kSaveSize = 200 * kMiB;
constexpr qsizetype kOpenSize = 50 * kMiB;
constexpr int kPieces = 1000;
// What the reader may take beyond the text itself: its chunk buffers and the
// process's own start.
constexpr double kReadOverheadKiB = 8 * 1024;

void require(bool ok, const QString &what)
{
    if (!ok) {
        std::fprintf(stderr, "%s\n", qPrintable(what));
        std::exit(2);
    }
}

// The least a safe save of the same bytes does: copy them, flush them.
void cpWithSync(const QString &cp, const QString &from, const QString &to)
{
    require(QProcess::execute(cp, {from, to}) == 0, QStringLiteral("cp failed"));
    QFile copy(to);
    require(copy.open(QIODevice::ReadWrite) && ::fsync(copy.handle()) == 0,
            QStringLiteral("cannot flush ") + to);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    require(file.open(QIODevice::ReadOnly), QStringLiteral("cannot read ") + path);
    return file.readAll();
}

void benchSave(const QTemporaryDir &dir)
{
    const QString cp = QStandardPaths::findExecutable(QStringLiteral("cp"));
    require(!cp.isEmpty(), QStringLiteral("cp is not installed"));
    const QString source = dir.filePath(QStringLiteral("source.txt"));
    const QString saved = dir.filePath(QStringLiteral("saved.txt"));
    const QString copy = dir.filePath(QStringLiteral("copy.txt"));
    const QByteArray sample = bench::sampleOfSize(kSaveSize);
    require(writeWholeFile(source, sample).ok, QStringLiteral("cannot write the sample"));
    const DecodedDocument document = decodeDocumentFile(sample);
    std::vector<QStringView> views;
    const qsizetype step = document.text.size() / kPieces + 1;
    for (qsizetype at = 0; at < document.text.size(); at += step)
        views.push_back(
            QStringView(document.text).sliced(at, std::min(step, document.text.size() - at)));
    const PieceSource pieces = [&views](const PieceSink &sink) {
        for (const QStringView view : views)
            sink(view);
    };

    const double save = bench::bestOf(3, [&] {
        require(writeDocumentPieces(saved, pieces, document.encoding).ok, QStringLiteral("save failed"));
    });
    require(fileBytes(saved) == sample, QStringLiteral("the saved file differs from the sample"));
    const double plain = bench::bestOf(3, [&] { cpWithSync(cp, source, copy); });
    bench::reportRatio("save 200 MB from 1,000 pieces / cp + fsync", save, plain, 2.0);
}

void benchOpen(const QTemporaryDir &dir)
{
    const QString source = dir.filePath(QStringLiteral("open.txt"));
    require(writeWholeFile(source, bench::sampleOfSize(kOpenSize)).ok,
            QStringLiteral("cannot write the sample"));
    const double open = bench::bestOf(5, [&] {
        DecodedDocument document {QString(), TextEncoding::Utf8};
        require(readDocumentFile(source, document).ok, QStringLiteral("open failed"));
    });
    const double plain = bench::bestOf(5, [&] {
        QFile file(source);
        if (file.open(QIODevice::ReadOnly))
            QString::fromUtf8(file.readAll());
    });
    bench::reportRatio("open 50 MB (readDocumentFile) / QFile::readAll + fromUtf8", open, plain, 1.5);
}

// Peak KiB and text length of a probe process reading `path`.
std::pair<double, double> probeRead(const QStringList &arguments)
{
    QProcess probe;
    probe.start(QStringLiteral(WIMBLET_READPROBE), arguments);
    probe.waitForFinished(-1);
    const QList<QByteArray> fields = probe.readAllStandardOutput().trimmed().split(' ');
    require(probe.exitCode() == 0 && fields.size() == 2, QStringLiteral("the read probe failed"));
    return {fields[0].toDouble(), fields[1].toDouble()};
}

void benchPeakMemory(const QTemporaryDir &dir)
{
    const QString tiny = dir.filePath(QStringLiteral("tiny.txt"));
    const QString big = dir.filePath(QStringLiteral("big.txt"));
    require(writeWholeFile(tiny, "x\r\n").ok && writeWholeFile(big, bench::sampleOfSize(kSaveSize)).ok,
            QStringLiteral("cannot write the samples"));
    const double startKiB = probeRead({tiny}).first;
    const auto [peakKiB, units] = probeRead({big});
    const double textKiB = 2 * units / 1024;
    bench::reportAtMost("peak memory opening 200 MB in chunks (KiB)", peakKiB,
                        startKiB + textKiB + kReadOverheadKiB, "KiB");
    std::printf("  %-58s %8.0f KiB text, %.0f KiB at start\n", "  of which", textKiB, startKiB);
    const double wholeKiB = probeRead({QStringLiteral("--whole"), big}).first;
    std::printf("  %-58s %8.0f KiB  (for comparison)\n", "peak memory opening 200 MB whole", wholeKiB);
}

} // namespace

WIMBLET_BENCH(document_io)
{
    QTemporaryDir dir;
    require(dir.isValid(), QStringLiteral("cannot create a temporary folder"));
    benchSave(dir);
    benchOpen(dir);
    benchPeakMemory(dir);
}
