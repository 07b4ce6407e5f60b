#pragma once
// What the row tests share: a width table that needs no font, paragraphs of several
// kinds, random edits, and rows wrapped from scratch over the whole paragraph.

#include "lines/rowwalker.h"
#include "lines/wraprows.h"
#include "support/sampletext.h"

#include <QRandomGenerator>
#include <QTextBoundaryFinder>

#include <vector>

namespace wimblet::wraptest {

// Widths from 14 to 60 units, spaces 24, so that rows hold varied counts of characters.
inline const std::vector<qint32> &syntheticWidths()
{
    static const std::vector<qint32> table = [] {
        std::vector<qint32> t(65536);
        for (int c = 0; c < 65536; ++c)
            t[size_t(c)] = 30 + (c * 7919 % 5) * 6;
        for (char16_t c : u"il.,'!|")
            t[c] = 14;
        for (char16_t c : u"WMm@\u00c6")
            t[c] = 60;
        t[u' '] = 24;
        return t;
    }();
    return table;
}

inline WrapSetup setupFor(qint64 lineWidth)
{
    const qint32 *widths = syntheticWidths().data();
    return WrapSetup {widths, RowMetrics {lineWidth, 240}, rowCharsFor(widths, lineWidth)};
}

inline std::vector<quint8> wholeBreaks(QStringView text)
{
    std::vector<quint8> flags(size_t(text.size()) + 1, 0);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text);
    for (qsizetype p = finder.toNextBoundary(); p >= 0; p = finder.toNextBoundary())
        flags[size_t(p)] = 1;
    return flags;
}

inline std::vector<qint64> rowsFromScratch(QStringView paragraph, const WrapSetup &setup)
{
    const std::vector<quint8> flags = wholeBreaks(paragraph);
    std::vector<int> starts;
    wrapRows(paragraph, setup.widths, flags.data(), setup.metrics, starts);
    return std::vector<qint64>(starts.begin(), starts.end());
}

enum class Kind { Prose, NoSpaces, Tabs, WideAndNarrow, Numbers, Cyrillic, Repeated, RepeatedNumbers };

// One short piece over and over: the rows after an edit may run a word out of step
// with the old ones for good.
inline QString repeatedParagraph(Kind kind, qsizetype chars)
{
    const QString piece = kind == Kind::Repeated ? QStringLiteral("the cat sat on a mat ")
                                                 : QStringLiteral("0.125, 37.5, 1024 ");
    QString text;
    while (text.size() < chars)
        text += piece;
    return text.left(chars);
}

// One paragraph of at least `chars` characters: the sample prose with its line
// breaks made spaces, then shaped by the kind.
inline QString paragraphOf(Kind kind, qsizetype chars, quint32 seed)
{
    if (kind == Kind::Repeated || kind == Kind::RepeatedNumbers)
        return repeatedParagraph(kind, chars);
    QString text = testsupport::sampleText(chars + chars / 4, seed);
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    if (kind == Kind::NoSpaces)
        text.remove(u' ').remove(u'\t');
    QRandomGenerator rng(seed);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (kind == Kind::Tabs && text[i] == u' ' && rng.bounded(4) == 0)
            text[i] = u'\t';
        if (kind == Kind::Tabs && rng.bounded(3000) == 0)
            text.insert(i, QString(int(rng.bounded(200)), u' ')); // blanks wider than a row
        if (kind == Kind::WideAndNarrow && text[i].isLetter() && rng.bounded(5) == 0)
            text[i] = rng.bounded(2) ? u'W' : u'i';
        if (kind == Kind::Cyrillic && text[i] >= u'a' && text[i] <= u'z')
            text[i] = QChar(0x430 + (text[i].unicode() - u'a'));
        if (kind == Kind::Cyrillic && text[i] >= u'A' && text[i] <= u'Z')
            text[i] = QChar(0x410 + (text[i].unicode() - u'A'));
        if (kind == Kind::Numbers && text[i].isLetter()) // where break rules look far back
            text[i] = QLatin1String("0123456789,./-$%()")[int(rng.bounded(18))];
    }
    return text.left(chars);
}

struct Edit
{
    qint64 offset = 0;
    qint64 removed = 0;
    QString inserted;
};

// Mostly short typing and deleting, now and then a larger paste or cut.
inline Edit randomEdit(QRandomGenerator &rng, qint64 length, bool spaces, bool lineBreaks)
{
    static const QString letters = QStringLiteral("aeinrstWMil(-),.\"'0123456789\u00e9");
    Edit e;
    e.offset = qint64(rng.bounded(quint64(length + 1)));
    const bool large = rng.bounded(12) == 0;
    const qint64 most = std::min<qint64>(length - e.offset, large ? 900 : 12);
    e.removed = rng.bounded(3) == 0 ? 0 : qint64(rng.bounded(quint64(most + 1)));
    const int count = rng.bounded(3) == 0 ? 0 : int(rng.bounded(large ? 400 : 8));
    for (int i = 0; i < count; ++i) {
        const quint32 pick = rng.bounded(20u);
        if (spaces && pick < 3)
            e.inserted += pick == 0 ? u'\t' : u' ';
        else if (lineBreaks && pick == 3)
            e.inserted += QLatin1String("\r\n");
        else if (lineBreaks && pick == 4)
            e.inserted += rng.bounded(2) ? u'\r' : u'\n'; // lone ones join their paragraph
        else
            e.inserted += letters[int(rng.bounded(quint32(letters.size())))];
    }
    return e;
}

// Reads a text held in memory as the text store would: a window at a time.
inline TextSource sourceOf(const QString &text)
{
    return [&text](qint64 from, qint64 count) {
        return text.mid(from, count);
    };
}

} // namespace wimblet::wraptest
