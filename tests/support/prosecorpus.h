#pragma once
// Real prose in German, French, Spanish, Portuguese, Dutch and Indonesian, and
// Indonesian chat with emoji (tests/support/prose), made into files of the two
// encodings the editor has to tell apart: Windows-1252, and UTF-8 with up to
// three stray Latin-1 bytes pasted in.

#include "encoding/textencoding.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace wimblet::testsupport {

struct CorpusFile {
    QString name;        ///< language, passage, length and encoding, e.g. "de 3 whole cp1252"
    QByteArray bytes;    ///< lines end in CR LF, and so does the file
    TextEncoding written;
    int strayBytes = 0;  ///< Latin-1 bytes pasted into UTF-8
    bool heldOut = false; ///< not looked at while the reading's rule was tuned
};

/// Every passage, its first sentence and each two passages in a row (up to 2,000
/// bytes), in Windows-1252 where it has bytes for all of it and in UTF-8 with 0 to 3
/// stray bytes; the same list every time. Odd passages are held out.
QList<CorpusFile> encodingCorpus();

} // namespace wimblet::testsupport
