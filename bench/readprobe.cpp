// Reads one document file and prints the process's peak memory in KiB and the
// length of the text in UTF-16 units. Run by the benchmarks in a process of its
// own so that nothing else counts; --whole reads the file whole and decodes it.
#include "document/documentfile.h"
#include "document/documentreader.h"
#include "document/fileio.h"

#include <QFile>

#include <cstdio>
#include <cstring>

using namespace wimblet;

namespace {

qint64 peakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    const bool whole = argc == 3 && std::strcmp(argv[1], "--whole") == 0;
    if (argc != 2 && !whole) {
        std::fprintf(stderr, "usage: wimblet-readprobe [--whole] FILE\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[argc - 1]);
    DecodedDocument document {QString(), TextEncoding::Utf8};
    if (whole) {
        QByteArray bytes;
        if (!readWholeFile(path, bytes).ok)
            return 1;
        document = decodeDocumentFile(bytes);
    } else if (!readDocumentFile(path, document).ok) {
        return 1;
    }
    std::printf("%lld %lld\n", qlonglong(peakKiB()), qlonglong(document.text.size()));
    return 0;
}
