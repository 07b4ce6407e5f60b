// A save for tst_fileio to kill half way: a document of generated text saved to FILE
// the way the editor saves one, from its pieces.
//   wimblet-test-save FILE MEBIBYTES
// The file then holds MEBIBYTES MiB of 'n' and the CR LF that ends every saved text.
#include "document/documentencoder.h"

#include <QString>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    using namespace wimblet;
    if (argc != 3)
        return 2;
    const int mebibytes = std::atoi(argv[2]);
    const QString piece(1 << 20, u'n');
    const PieceSource pieces = [&](const PieceSink &sink) {
        for (int i = 0; i < mebibytes; ++i)
            sink(piece);
    };
    const FileResult result =
            writeDocumentPieces(QString::fromLocal8Bit(argv[1]), pieces, TextEncoding::Utf8);
    if (!result.ok)
        std::fprintf(stderr, "%s\n", qPrintable(result.error));
    return result.ok ? 0 : 1;
}
