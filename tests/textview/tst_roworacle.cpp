// The view's rows checked against the layout that draws them, over random paragraphs of
// every script: each row ends where a line may break, holds what its own layout draws
// within the width, and could take no more; without right-to-left text or forced
// breaks, the rows are the lines of the whole paragraph laid out at once. And the rows
// counted from kept segment advances are those that shaping every row finds.
#include "lines/emoji.h"
#include "support/mixedscripts.h"
#include "textview/shownchars.h"
#include "textview/viewlayout.h"
#include "textview/widthtable.h"

#include <QGlyphRun>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBoundaryFinder>
#include <QTextLayout>

using namespace wimblet;
using namespace wimblet::testsupport;

namespace {

// The program's text font.
QFont textFont()
{
    QFont font(QStringLiteral("Lucida Console"));
    font.setFamilies({QStringLiteral("Lucida Console"), QStringLiteral("DejaVu Sans Mono"),
                      QStringLiteral("Liberation Mono"), QStringLiteral("monospace")});
    font.setStyleHint(QFont::Monospace);
    font.setPointSizeF(9.75);
    return font;
}

constexpr qreal kTabStop = 80;
constexpr qsizetype kItemLength = 4096;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}


struct Laid
{
    qreal width = 0; // trailing blanks aside
    QList<int> lineStarts;
};

Laid layOut(const QString &text, const QFont &font, qreal lineWidth, Qt::LayoutDirection direction)
{
    QTextLayout layout(text, font);
    layout.setFormats(emojiFormats(text)); // as the view draws them
    QTextOption option;
    option.setWrapMode(lineWidth > 0 ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setTabStopDistance(kTabStop);
    option.setTextDirection(direction);
    layout.setTextOption(option);
    Laid laid;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(lineWidth > 0 ? lineWidth : 1e6);
        laid.lineStarts.push_back(line.textStart());
        laid.width = std::max(laid.width, line.naturalTextWidth());
    }
    layout.endLayout();
    if (lineWidth <= 0) {
        // naturalTextWidth counts trailing blanks, which hang past the edge: measure the
        // text without them.
        qsizetype end = text.size();
        while (end > 0 && isBlank(text[end - 1]))
            --end;
        if (end < text.size())
            return layOut(text.left(end), font, 0, direction);
    }
    return laid;
}

// Whether some installed font draws every character of the words, fallbacks included.
bool fontsDraw(const QStringList &words, const QFont &font)
{
    QTextLayout layout(words.join(u' '), font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    for (const QGlyphRun &run : layout.glyphRuns())
        if (run.glyphIndexes().contains(0))
            return false;
    return true;
}

// Where the boundary finder puts them; for lines, also after every run of blanks, where
// the layout breaks whatever the rules say of the characters around it.
QList<qsizetype> boundaries(QTextBoundaryFinder::BoundaryType type, const QString &text)
{
    QList<qsizetype> found;
    // The layout takes Hangul for letters: Korean breaks at its spaces.
    QString read = text;
    if (type == QTextBoundaryFinder::Line)
        std::replace_if(read.begin(), read.end(), [](QChar c) { return c.script() == QChar::Script_Hangul; },
                        QChar(u'a'));
    QTextBoundaryFinder finder(type, read);
    for (qsizetype p = finder.toNextBoundary(); p >= 0; p = finder.toNextBoundary())
        found.push_back(p);
    // Never inside an emoji sequence, though Qt's rules after Thai or Indic text say so.
    for (const EmojiSequence &e : emojiSequences(text))
        found.removeIf([&](qsizetype p) { return p > e.start && p < e.start + e.length; });
    if (type == QTextBoundaryFinder::Line) {
        for (qsizetype p = 1; p < text.size(); ++p)
            if (isBlank(text[p - 1]) && !isBlank(text[p]))
                found.push_back(p);
        std::sort(found.begin(), found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
    }
    return found;
}

qsizetype nextAfter(const QList<qsizetype> &sorted, qsizetype at)
{
    const auto it = std::upper_bound(sorted.begin(), sorted.end(), at);
    return it == sorted.end() ? -1 : *it;
}

} // namespace

class RowOracleTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rowsAreTheLayoutsRows_data();
    void rowsAreTheLayoutsRows();
    void charactersStandWhereTheParagraphPutsThem_data();
    void charactersStandWhereTheParagraphPutsThem();
    void emojiStayWholeAfterThai();
    void summedRowsAreTheShapedRows_data();
    void summedRowsAreTheShapedRows();
};

void RowOracleTest::rowsAreTheLayoutsRows_data()
{
    QTest::addColumn<QList<Script>>("scripts");
    QTest::addColumn<int>("chars");
    QTest::addColumn<quint32>("seed");
    const QList<QList<Script>> sets = {
        {Script::Latin},
        {Script::Latin, Script::Tamil},
        {Script::Cjk},
        {Script::Latin, Script::Thai},
        {Script::Devanagari, Script::Latin},
        {Script::Arabic, Script::Latin},
        {Script::Hebrew, Script::Latin, Script::Tabs},
        {Script::Ethiopic},
        {Script::Latin, Script::Marks},
        {Script::Emoji, Script::Latin},
        {Script::Flags},
        {Script::EmojiSequences, Script::Thai, Script::Latin},
        {Script::Latin, Script::Tabs, Script::StandIns},
        {Script::Latin, Script::Cjk, Script::Thai, Script::Tamil, Script::Devanagari, Script::Arabic,
         Script::Hebrew, Script::Ethiopic, Script::Marks, Script::Emoji, Script::Flags, Script::Tabs,
         Script::StandIns},
    };
    for (const QList<Script> &set : sets) {
        QStringList names;
        for (Script s : set)
            names << scriptName(s);
        for (quint32 seed : {1u, 2u}) {
            // Long enough, once, for a paragraph that keeps its own row starts.
            const int chars = seed == 1 ? 700 : 5000;
            QTest::addRow("%s %u", qPrintable(names.join(u'+')), seed) << set << chars << seed;
        }
    }
}

void RowOracleTest::rowsAreTheLayoutsRows()
{
    QFETCH(QList<Script>, scripts);
    QFETCH(int, chars);
    QFETCH(quint32, seed);
    const QFont font = textFont();
    for (Script s : scripts)
        if (!fontsDraw(wordsOf(s), font))
            QSKIP(qPrintable(QStringLiteral("no installed font draws %1").arg(scriptName(s))));

    const QString text = mixedParagraph(scripts, chars, seed);
    QString shown = text;
    applyStandIns(shown, QChar(), QChar());
    const bool rightToLeft = std::any_of(shown.begin(), shown.end(), [](QChar c) {
        return c.direction() == QChar::DirR || c.direction() == QChar::DirAL;
    });
    const Qt::LayoutDirection direction = shown.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    const QList<qsizetype> breaks = boundaries(QTextBoundaryFinder::Line, shown);
    const QList<qsizetype> graphemes = boundaries(QTextBoundaryFinder::Grapheme, shown);

    TextStore store(text);
    ViewLayout view(store);
    view.setFont(font);
    QRandomGenerator rng(seed);
    for (int round = 0; round < 3; ++round) {
        const qreal width = 60 + rng.bounded(600);
        view.setLineWidth(width);
        view.reset(store);
        view.finishCounting();
        QList<int> starts;
        bool forced = false;
        for (qint64 i = 0; i < view.rowCount(); ++i) {
            const ViewRow row = view.row(i);
            starts.push_back(int(row.start));
            const QString rowText = shown.mid(row.start, row.end - row.start);
            const QString where = QStringLiteral("width %1, row %2 [%3, %4) \"%5\"")
                                      .arg(width).arg(i).arg(row.start).arg(row.end).arg(rowText);
            const bool atBreak = breaks.contains(row.end);
            forced = forced || !atBreak;
            // (a) a row ends where a line may break, or else between two graphemes.
            QVERIFY2(atBreak || graphemes.contains(row.end), qPrintable(where));
            // (b) what its own layout draws fits, unless it is one grapheme.
            const bool oneGrapheme = nextAfter(graphemes, row.start) >= row.end;
            QVERIFY2(oneGrapheme || layOut(rowText, font, 0, direction).width <= width + 1.0 / 64,
                     qPrintable(where));
            // (c) the row with the text up to the next break would not.
            if (row.endsParagraph)
                continue;
            const qsizetype next = nextAfter(atBreak ? breaks : graphemes, row.end);
            const QString longer = shown.mid(row.start, next - row.start);
            if (std::all_of(shown.begin() + row.end, shown.begin() + next, isBlank))
                continue; // blanks hang, and a tab past the edge starts the next row
            QVERIFY2(layOut(longer, font, 0, direction).width > width,
                     qPrintable(where + QStringLiteral(" next %1 w %2 roww %3").arg(next).arg(layOut(longer, font, 0, direction).width).arg(layOut(rowText, font, 0, direction).width) + QStringLiteral(" after [%1]").arg(shown.mid(row.end, 12))));
        }
        if (rightToLeft || forced)
            continue;
        const QList<int> whole = layOut(shown, font, width, direction).lineStarts;
        qsizetype k = 1;
        while (k < std::min(whole.size(), starts.size()) && whole[k] == starts[k])
            ++k;
        if (k < std::min(whole.size(), starts.size())) {
            // Only where a line's width is within rounding of the row's, or where the
            // line holds a cut between Qt's items of at most 4096 units: a flag or an
            // emoji cut there is shaped in pieces, wider, in the paragraph, and whole in
            // its row.
            const qsizetype end = std::max(whole[k], starts[k]);
            const bool itemCut = starts[k - 1] / kItemLength != (end - 1) / kItemLength;
            const QString line = shown.mid(starts[k - 1], end - starts[k - 1]);
            QVERIFY2(itemCut || std::abs(layOut(line, font, 0, direction).width - width) < 0.25,
                     qPrintable(QStringLiteral("width %1, row %2 starts at %3, the layout's line at %4")
                                    .arg(width).arg(k).arg(starts[k]).arg(whole[k])));
        } else {
            QCOMPARE(starts.size(), whole.size());
        }
    }
}

void RowOracleTest::charactersStandWhereTheParagraphPutsThem_data()
{
    QTest::addColumn<QList<Script>>("scripts");
    const QList<QList<Script>> sets = {
        {Script::Arabic},
        {Script::RightToLeftMixed},
        {Script::Latin, Script::RightToLeftMixed},
        {Script::Arabic, Script::Hebrew, Script::Latin, Script::Cjk},
        {Script::Thai},
        {Script::Khmer},
        {Script::Myanmar},
        {Script::Tibetan},
        {Script::Vietnamese, Script::Marks},
    };
    for (const QList<Script> &set : sets) {
        QStringList names;
        for (Script s : set)
            names << scriptName(s);
        QTest::addRow("%s", qPrintable(names.join(u'+'))) << set;
    }
}

// Each row is laid out alone, in its paragraph's direction and with marks standing for
// the text around it: its rows, and every character's x on them, are the whole
// paragraph's, laid out at once as a block of the old box is.
void RowOracleTest::charactersStandWhereTheParagraphPutsThem()
{
    QFETCH(QList<Script>, scripts);
    const QFont font = textFont();
    for (Script s : scripts)
        if (!fontsDraw(wordsOf(s), font))
            QSKIP(qPrintable(QStringLiteral("no installed font draws %1").arg(scriptName(s))));
    const QString text = mixedParagraph(scripts, 3000, 7);
    TextStore store(text);
    ViewLayout view(store);
    view.setFont(font);
    for (const qreal width : {97.0, 233.0, 410.0}) {
        view.setLineWidth(width);
        view.reset(store);
        view.finishCounting();
        QTextLayout whole(text, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        option.setTabStopDistance(kTabStop);
        whole.setTextOption(option);
        whole.beginLayout();
        for (QTextLine line = whole.createLine(); line.isValid(); line = whole.createLine())
            line.setLineWidth(width);
        whole.endLayout();
        for (qint64 i = 0; i < view.rowCount() && i < whole.lineCount(); ++i) {
            const ViewRow row = view.row(i);
            const QTextLine line = whole.lineAt(int(i));
            // Rows may part from the lines only where a line is within rounding of the width.
            if (row.start != line.textStart() || row.end != line.textStart() + line.textLength()) {
                QVERIFY2(std::abs(line.naturalTextWidth() - width) < 0.25 || !row.endsParagraph,
                         qPrintable(QStringLiteral("width %1, row %2").arg(width).arg(i)));
                break;
            }
            // Blanks hanging past a wrapped row's end stand at the edge in the paragraph.
            qint64 end = row.end;
            while (!row.endsParagraph && end > row.start && isBlank(text[end - 1]))
                --end;
            // A wrapped row's end is the next row's start.
            for (qint64 at = row.start; at < end + (row.endsParagraph ? 1 : 0); ++at) {
                const qreal x = view.xOf(row, at);
                const qreal expected = line.cursorToX(int(at));
                QVERIFY2(std::abs(x - expected) <= 0.5,
                         qPrintable(QStringLiteral("width %1, row %2 [%3, %4), offset %5: x %6, in the "
                                                   "paragraph %7, in \"%8\"")
                                        .arg(width).arg(i).arg(row.start).arg(row.end).arg(at)
                                        .arg(x).arg(expected).arg(text.mid(row.start, row.end - row.start))
                                    + QStringLiteral(" after \"%1\"").arg(text.mid(std::max<qint64>(0, row.start - 12), std::min<qint64>(12, row.start)))));
            }
        }
    }
}

void RowOracleTest::emojiStayWholeAfterThai()
{
    // Qt lays the emoji out as part of the Thai word before them, and its wrapping then
    // cuts a keycap.
    const QString text = QString::fromUtf16(u"\u0e01")
                         + QString::fromUtf16(u"\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466"
                                              u"\U0001F1EE\U0001F1E91\uFE0F\u20E3\u2764\uFE0F\u200D\U0001F525")
                               .repeated(6);
    const QList<EmojiSequence> sequences = emojiSequences(text);
    TextStore store(text);
    ViewLayout view(store);
    view.setFont(textFont());
    for (qreal width = 20; width < 200; width += 3) {
        view.setLineWidth(width);
        view.reset(store);
        view.finishCounting();
        const auto inside = [&](qint64 offset) {
            return std::any_of(sequences.begin(), sequences.end(), [&](const EmojiSequence &e) {
                return offset > e.start && offset < e.start + e.length;
            });
        };
        for (qint64 i = 0; i < view.rowCount(); ++i) {
            const ViewRow row = view.row(i);
            QVERIFY2(!inside(row.start), qPrintable(QStringLiteral("width %1, row %2 starts at %3")
                                                        .arg(width).arg(i).arg(row.start)));
            // Nor does a click put the caret inside one.
            for (qreal x = 0; x < width; x += 2)
                QVERIFY2(!inside(view.offsetAt(row, x)), qPrintable(QStringLiteral("width %1, row %2, x %3")
                                                                       .arg(width).arg(i).arg(x)));
        }
    }
}

namespace {

// Words of the scripts with runs of characters of no width among them: zero-width spaces,
// joiners inside emoji sequences, letters under many marks, and one cluster longer than a
// row ever draws.
QString zeroWidthParagraph(quint32 seed)
{
    QRandomGenerator rng(seed);
    const QList<Script> scripts = {Script::Latin, Script::Cjk, Script::Emoji, Script::Arabic};
    QString text = mixedParagraph(scripts, 600, seed);
    for (int i = 0; i < 12; ++i) {
        const qsizetype at = rng.bounded(int(text.size()));
        if (text[at].isLowSurrogate())
            continue;
        switch (rng.bounded(3)) {
        case 0:
            text.insert(at, QString(1 + rng.bounded(40), QChar(0x200B)));
            break;
        case 1:
            text.insert(at, u"a"_qs + QString(1 + rng.bounded(40), QChar(0x0301)) + u' ');
            break;
        default:
            text.insert(at, u" 😀"_qs + QString(1 + rng.bounded(40), QChar(0x200D)) + u"😀 "_qs);
        }
    }
    return text + u" x"_qs + QString(int(kMostShownUnits) + 500, QChar(0x0301)) + u" end"_qs;
}

// Row starts of one paragraph found by shaping every row that the arithmetic cannot tell.
QList<int> shapedRowStarts(const QString &shown, const QFont &font, qreal width)
{
    WidthTable table(font);
    table.seeText(shown);
    WrapSetup setup = table.setup(width, kTabStop);
    setup.metrics.segments = nullptr;
    std::vector<quint8> breaks(size_t(shown.size()) + 1, 0);
    findBreaksInWords(shown, breaks.data());
    std::vector<int> starts;
    wrapRows(shown, setup.widths, breaks.data(), setup.metrics, starts);
    return QList<int>(starts.begin(), starts.end());
}

} // namespace

void RowOracleTest::summedRowsAreTheShapedRows_data()
{
    QTest::addColumn<QList<Script>>("scripts");
    QTest::addColumn<quint32>("seed");
    const QList<QList<Script>> sets = {
        {Script::Cjk}, {Script::Cjk, Script::Latin}, {Script::Tamil, Script::Latin}, {Script::Devanagari},
        {Script::Arabic, Script::Latin}, {Script::Hebrew, Script::Tabs}, {Script::Thai}, {Script::Ethiopic},
        {Script::Latin, Script::Marks}, {Script::Emoji, Script::Latin}, {Script::Flags, Script::Cjk},
        {Script::Latin, Script::Tabs, Script::StandIns, Script::Tamil},
        {Script::Latin, Script::Cjk, Script::Thai, Script::Tamil, Script::Devanagari, Script::Arabic,
         Script::Hebrew, Script::Ethiopic, Script::Marks, Script::Emoji, Script::Flags, Script::Tabs,
         Script::StandIns},
        {}, // runs of no width
    };
    for (const QList<Script> &set : sets) {
        QStringList names;
        for (Script s : set)
            names << scriptName(s);
        const QString name = set.isEmpty() ? u"no width"_qs : names.join(u'+');
        for (quint32 seed : {3u, 4u})
            QTest::addRow("%s %u", qPrintable(name), seed) << set << seed;
    }
}

void RowOracleTest::summedRowsAreTheShapedRows()
{
    QFETCH(QList<Script>, scripts);
    QFETCH(quint32, seed);
    const QFont font = textFont();
    for (Script s : scripts.isEmpty() ? QList<Script> {Script::Cjk, Script::Emoji, Script::Arabic} : scripts)
        if (!fontsDraw(wordsOf(s), font))
            QSKIP(qPrintable(QStringLiteral("no installed font draws %1").arg(scriptName(s))));
    // Short paragraphs are counted together, a long one a window at a time.
    QStringList paragraphs;
    for (int chars : {300, 700, 6000})
        paragraphs << (scripts.isEmpty() ? zeroWidthParagraph(seed + chars) : mixedParagraph(scripts, chars, seed + chars));
    const QString text = paragraphs.join(u"\r\n"_qs);
    TextStore store(text);
    ViewLayout view(store);
    view.setFont(font);
    QRandomGenerator rng(seed);
    for (int round = 0; round < 3; ++round) {
        const qreal width = 60 + rng.bounded(600);
        view.setLineWidth(width);
        view.reset(store);
        view.finishCounting();
        qint64 row = 0;
        qint64 start = 0;
        for (const QString &paragraph : paragraphs) {
            QString shown = paragraph;
            applyStandIns(shown, QChar(), QChar());
            const QList<int> shaped = shapedRowStarts(shown, font, width);
            QList<int> counted;
            for (; row < view.rowCount() && view.row(row).start <= start + paragraph.size(); ++row)
                counted.push_back(int(view.row(row).start - start));
            qsizetype k = 0;
            while (k < counted.size() && k < shaped.size() && counted[k] == shaped[k])
                ++k;
            const QString where = k == 0 || k >= std::min(counted.size(), shaped.size())
                                      ? QString()
                                      : shown.mid(counted[k - 1], std::max(counted[k], shaped[k]) - counted[k - 1] + 4);
            QVERIFY2(counted == shaped, qPrintable(QStringLiteral("width %1, paragraph at %2: row %3 \"%4\" counted %5 rows, shaped %6 (%7 / %8)")
                                                       .arg(width).arg(start).arg(k).arg(where).arg(counted.size()).arg(shaped.size()).arg(k < counted.size() ? counted[k] - counted[k - 1] : -1).arg(k < shaped.size() ? shaped[k] - counted[k - 1] : -1)));
            start += paragraph.size() + 2;
        }
    }
}

QTEST_MAIN(RowOracleTest)
#include "tst_roworacle.moc"
