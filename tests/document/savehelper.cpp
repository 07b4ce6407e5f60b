// A save for tst_fileio to kill half way: a document of generated text saved to FILE
// the way the editor saves one, from its pieces.
//   wimblet-test-save FILE MEBIBYTES [--named-stalled]
// The file then holds MEBIBYTES MiB of 'n' and the CR LF that ends every saved text.
// With --named-stalled the new file is named from the start, as on a file system
// without O_TMPFILE, and the save stops half way until it is killed.
#include "document/atomicreplace.h"
#include "document/documentencoder.h"

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

int main(int argc, char **argv)
{
    using namespace wimblet;
    const bool stalled = argc == 4 && std::strcmp(argv[3], "--named-stalled") == 0;
    if (argc != 3 && !stalled)
        return 2;
    const int mebibytes = std::atoi(argv[2]);
    nameNewFilesFromStartForTesting(stalled);
    const QString piece(1 << 20, u'n');
    const PieceSource pieces = [&](const PieceSink &sink) {
        for (int i = 0; i < mebibytes; ++i) {
            while (stalled && i == mebibytes / 2)
                ::pause();
            sink(piece);
        }
    };
    const FileResult result =
            writeDocumentPieces(QString::fromLocal8Bit(argv[1]), pieces, TextEncoding::Utf8);
    if (!result.ok)
        std::fprintf(stderr, "%s\n", qPrintable(result.error));
    return result.ok ? 0 : 1;
}
