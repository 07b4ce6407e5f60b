// Document files: saving against a plain copy of the same bytes, and the time
// it takes to open a large file.

#include "harness.h"

#include "document/documentfile.h"
#include "document/fileio.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using namespace wimblet;

namespace {

constexpr qsizetype kFileSize = qsizetype(50) << 20;
constexpr int kRepeats = 5;

void require(const FileResult &result)
{
    if (!result.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(result.error));
        std::exit(2);
    }
}

// The least any safe save has to do: read the bytes, write them, flush them.
void copyWithSync(const QString &from, const QString &to)
{
    QFile in(from);
    QFile out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "cannot copy %s\n", qPrintable(from));
        std::exit(2);
    }
    const QByteArray bytes = in.readAll();
    if (out.write(bytes) != bytes.size() || !out.flush() || ::fsync(out.handle()) != 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(to));
        std::exit(2);
    }
}

double decodeTime(const QByteArray &bytes)
{
    return bench::bestOf(kRepeats, [&] { decodeDocumentFile(bytes); });
}

} // namespace

WIMBLET_BENCH(document_files)
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        std::exit(2);
    }
    const QByteArray sample = bench::sampleOfSize(kFileSize);
    const QString source = dir.filePath(QStringLiteral("source.txt"));
    require(writeWholeFile(source, sample));
    const DecodedDocument document = decodeDocumentFile(sample);
    const QString saved = dir.filePath(QStringLiteral("saved.txt"));
    const QString copy = dir.filePath(QStringLiteral("copy.txt"));

    const double save = bench::bestOf(kRepeats, [&] {
        const QByteArray bytes = encodeDocumentFile(document.text, document.encoding);
        require(writeWholeFile(saved, bytes));
    });
    const double plainCopy = bench::bestOf(kRepeats, [&] { copyWithSync(source, copy); });
    bench::reportRatio("save 50 MB (encode + atomic write) / copy with fsync", save, plainCopy, 3.0);
    bench::reportTime("encode 50 MB alone", bench::bestOf(kRepeats, [&] {
        encodeDocumentFile(document.text, document.encoding);
    }));

    const double open = bench::bestOf(kRepeats, [&] {
        QByteArray bytes;
        require(readWholeFile(source, bytes));
        decodeDocumentFile(bytes);
    });
    bench::reportTime("open 50 MB (readWholeFile + decodeDocumentFile)", open);
    const double plainOpen = bench::bestOf(kRepeats, [&] {
        QFile file(source);
        if (file.open(QIODevice::ReadOnly))
            QString::fromUtf8(file.readAll());
    });
    bench::reportRatio("open 50 MB / QFile::readAll + QString::fromUtf8", open, plainOpen, 1.5);

    // The slower decoding paths, for reference: lone CR line ends, and
    // Windows-1252 (every byte past ASCII an E9, which pairs with no other).
    QByteArray loneCr = sample;
    loneCr.replace("\r\n", "\r");
    QByteArray windows1252 = sample;
    std::replace_if(windows1252.begin(), windows1252.end(),
                    [](char byte) { return uchar(byte) >= 0x80; }, '\xE9');
    bench::reportTime("decode 50 MB, CR LF lines (UTF-8)", decodeTime(sample));
    bench::reportTime("decode 50 MB, lone CR lines (UTF-8)", decodeTime(loneCr));
    bench::reportTime("decode 50 MB, CR LF lines (Windows-1252)", decodeTime(windows1252));
}
