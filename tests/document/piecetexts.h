#pragma once
// Texts and files for the chunked save and read tests: crafted ones that put
// line breaks, surrogates and marks where chunks and pieces end, and random
// ones, with a text cut into pieces at random places.

#include "support/utf16units.h"

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <iterator>

namespace piecetexts {

struct NamedText
{
    const char *name;
    QString text;
};

struct NamedFile
{
    const char *name;
    QByteArray bytes;
};

// `text` cut into about `count` pieces at random units, a pair's two halves
// and empty pieces included.
inline QStringList randomPieces(const QString &text, quint32 seed, int count)
{
    QRandomGenerator random(seed);
    QList<qsizetype> cuts;
    for (int i = 1; i < count; ++i)
        cuts.append(random.bounded(text.size() + 1));
    std::sort(cuts.begin(), cuts.end());
    QStringList pieces;
    qsizetype start = 0;
    for (const qsizetype cut : cuts) {
        pieces.append(text.mid(start, cut - start));
        start = cut;
    }
    pieces.append(text.mid(start));
    return pieces;
}

// Units drawn from those that matter to the format and the encodings.
inline QString randomText(quint32 seed, int length)
{
    static const char16_t units[] = {u'\r',  u'\n',  u'a',   u'Z',   u' ',   0x00E9, 0x20AC, 0xD83D,
                                     0xDE00, 0xFEFF, 0xFFFF, 0x0000, 0x00FF, 0x00FE, 0x4E2D};
    QRandomGenerator random(seed);
    QString text;
    for (int i = 0; i < length; ++i)
        text.append(QChar(units[random.bounded(int(std::size(units)))]));
    return text;
}

// Texts whose bytes put a CR, LF or a surrogate pair at the end of a chunk of
// 1 or 7 bytes somewhere, whatever the encoding.
inline QList<NamedText> craftedTexts()
{
    return {
        {"empty", QString()},
        {"CR LF lines", QStringLiteral("one\r\ntwo\r\nthree")},
        {"lone CRs and LFs", QStringLiteral("abcdef\rgh\nij\r\r\n")},
        {"pairs", QStringLiteral(u"x\U0001F600y\U0001F600\U0001F600z")},
        {"Windows-1252 only", QStringLiteral(u"caf\u00E9 \u2013 \u201Cquoted\u201D \u20AC5")},
        {"mark-like start, even", QStringLiteral(u"\u00FF\u00FEab")},
        {"mark-like start, odd", QStringLiteral(u"\u00FF\u00FEa")},
        {"big-endian mark-like start", QStringLiteral(u"\u00FE\u00FFab\r")},
        {"U+FEFF and U+FFFF", QStringLiteral(u"\uFEFFstart\uFFFF end\uFEFF")},
        {"lone surrogates", QStringView(u"a\xD800"
                                        u"b\xDC00\xD83D")
                                .toString()},
        {"stray-byte stand-ins", QStringView(u"\xDCC3\xDCA9\r\xD83D\xDC97\xDCFF").toString()},
        {"Windows-1252 that pairs up as UTF-8", QStringLiteral(u"\u00C3\u00A9\u00E2\u201A\u00AC")},
        {"NUL", QString::fromUtf16(u"a\0\r\n\0", 5)},
    };
}

// Files that put the same things at chunk ends, in each encoding a file is
// read in.
inline QList<NamedFile> craftedFiles()
{
    const QString utf16Text = QStringLiteral(u"\uFEFFa\r\n\rb\U0001F600\r\uFFFF\r\n");
    return {
        {"empty", QByteArray()},
        {"CR LF lines", QByteArray("one\r\ntwo\r\nthree\r\n")},
        {"lone CR ending a chunk", QByteArray("abcdef\rghijklm\r")},
        {"CR ending a chunk, LF starting the next", QByteArray("abcdef\r\nghijkl\r\n")},
        {"CR CR LF at the end", QByteArray("ab\r\r\n")},
        {"only CRs", QByteArray("\r\r\r")},
        {"UTF-8 sequences across chunks", QByteArray("ab\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\r")},
        {"four-byte sequences late in the file",
         QByteArray("Ca*\xC3\xA9senyko\r\nseCa*\xC3\xA9senyko\r\nsenyum \xF0\x9F\x98\x80nyum "
                    "\xF0\x9F\x98\x80\r\n")},
        {"UTF-8 marks and U+FFFF", QByteArray("\xEF\xBB\xBFx\xEF\xBF\xBF\r\n\xEF\xBB\xBF")},
        {"Windows-1252", QByteArray("caf\xE9\r\x80 \x81\r\n\xFF")},
        {"UTF-8 cut short at the end", QByteArray("ok \xE2\x82")},
        {"UTF-16 LE", wimblet::testsupport::utf16Units(utf16Text, false)},
        {"UTF-16 BE", wimblet::testsupport::utf16Units(utf16Text, true)},
        {"UTF-16 odd length", QByteArray("\xFF\xFE"
                                         "a\0\r",
                                         5)},
        {"UTF-16 unpaired surrogate", QByteArray("\xFF\xFE"
                                                 "a\0\0\xD8",
                                                 6)},
        {"UTF-32 LE", QByteArray("\xFF\xFE\0\0a\0\0\0\r\0\0\0\r\0\0\0\n\0\0\0\0\xF6\x01\0", 24)},
        {"UTF-32 BE look, cut short", QByteArray("\0\0\xFE\xFF\0\0\0\r\0", 9)},
        {"UTF-32 LE look, damaged", QByteArray("\xFF\xFE\0\0\r\0\0\xD8\r\0\n", 11)},
        {"UTF-16 CR bytes, odd CR", QByteArray("\xFE\xFF\x0D\x0D\x0D\x0A\xDC\x0D\x0D", 9)},
        {"UTF-8 with stray bytes", QByteArray("\xC3\xA9\r\xE2\x82\xAC\xE2\x82\r\xF0\x9F\x98\x80\xC3")},
        {"NUL bytes", QByteArray("\0\r\0\n\0", 5)},
    };
}

} // namespace piecetexts
