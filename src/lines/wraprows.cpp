#include "lines/wraprows.h"

#include "lines/rowshaper.h"
#include "lines/segmentwidths.h"
#include "lines/summedrows.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace wimblet {

namespace {

bool isHangul(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x1100 && u <= 0x11FF) || (u >= 0x3130 && u <= 0x318F) || (u >= 0xA960 && u <= 0xA97F)
           || (u >= 0xAC00 && u <= 0xD7FF);
}

struct Piece {
    qint64 width = 0;
    int length = 0;
};

// One row being filled, with the text read since the row last grew.
struct Row {
    qint64 width = 0;
    int length = 0;
    Piece word;   // characters up to the latest break opportunity
    Piece blanks; // blanks read before them

    // Takes the pending pieces onto the row unless they would overflow a row that
    // already holds something; true when the row is full.
    bool fullOrExtend(qint64 limit)
    {
        const qint64 extended = width + word.width + blanks.width;
        if (length > 0 && extended > limit)
            return true;
        width = extended;
        length += word.length + blanks.length;
        word = {};
        blanks = {};
        return false;
    }
};

bool isBlankOrTab(QChar c)
{
    return c == u' ' || c == u'\t';
}

struct RowInput {
    QStringView text;
    const qint32 *widths;
    const quint8 *breakBefore;
    RowMetrics metrics;
    bool continues; // more text follows the view
};

enum class Step {
    Open,    // the row takes more
    Full,    // the row is complete
    TooWide, // its first piece alone overflows: break anywhere instead
    Starved, // cannot tell without text past the view
};

// Reads blanks, a tab or a word onto the row. A word is read only until it no
// longer fits: the rest of it cannot change the row, and a word may be megabytes.
Step readPiece(const RowInput &in, Row &row, int &pos, bool anywhere)
{
    const int n = int(in.text.size());
    const qint64 limit = in.metrics.lineWidth;
    const char16_t c = in.text[pos].unicode();
    if (c == u'\t') {
        if (row.fullOrExtend(limit))
            return Step::Full;
        row.blanks.width += tabWidthAt(row.width, in.metrics.tabStop);
        ++row.blanks.length;
        ++pos;
        return row.fullOrExtend(limit) ? Step::Full : Step::Open;
    }
    if (c == u' ') {
        for (; pos < n && in.text[pos] == u' '; ++pos) {
            row.blanks.width += in.widths[u' '];
            ++row.blanks.length;
        }
        if (pos == n && in.continues)
            return Step::Starved; // every blank of the run hangs on this row
        if (row.blanks.width <= limit)
            return Step::Open;
        row.blanks.width = limit; // blanks past the edge take no room
        return Step::Full;
    }
    do {
        const char16_t unit = in.text[pos].unicode();
        row.word.width += in.widths[unit];
        ++row.word.length;
        ++pos;
        if (row.width + row.blanks.width + row.word.width > limit) {
            if (row.length > 0)
                return Step::Full;
            if (!anywhere)
                return Step::TooWide;
        }
    } while (!anywhere && pos < n && !isBlankOrTab(in.text[pos]) && !in.breakBefore[pos]);
    if (!anywhere && pos == n && in.continues)
        return Step::Starved; // the word may go on
    return row.fullOrExtend(limit) ? Step::Full : Step::Open;
}

// Characters, hanging blanks included, on the row that starts at `from`; 0 when
// the view ends too soon to tell.
int rowLength(const RowInput &in, int from, bool anywhere)
{
    const int n = int(in.text.size());
    Row row;
    int pos = from;
    Step step = Step::Open;
    while (step == Step::Open && pos < n) {
        step = readPiece(in, row, pos, anywhere);
        // A first piece too wide for the row is broken between any two characters.
        if (!anywhere && (step == Step::TooWide || row.width > in.metrics.lineWidth))
            return rowLength(in, from, true);
    }
    if (step == Step::Starved || (step == Step::Open && in.continues))
        return 0;
    if (step == Step::Open)
        row.fullOrExtend(in.metrics.lineWidth);
    if (row.length == 0) {
        row.length = row.word.length;
        row.width = row.word.width;
    }
    if (!anywhere && row.width > in.metrics.lineWidth)
        return rowLength(in, from, true);
    return std::max(1, row.length + row.blanks.length);
}

// Characters after a row that may still change how it is shaped or where it breaks.
constexpr int kOwnWidthsAhead = 8;

// The row that starts at `from`, from its segments' advances where they tell, else the
// shaper's, which reads about as far as the sums say the row reaches.
int summedOrShaped(const RowInput &in, int from)
{
    const RowMetrics &m = in.metrics;
    int reach = 0;
    if (m.segments) {
        const int summed = summedRowLength(in.text, in.widths, in.breakBefore, m, from, in.continues, &reach);
        if (summed >= 0)
            return summed;
        noteShapedRow();
    }
    return m.shaper->rowLength(in.text.mid(from), m.lineWidth, m.tabStop, in.continues, reach);
}

// The row that starts at `from`: the arithmetic's where it holds, else the shaper's.
int checkedRowLength(const RowInput &in, int from)
{
    const RowMetrics &m = in.metrics;
    if (m.segments && from < in.text.size() && !m.ownWidths[in.text[from].unicode()])
        return summedOrShaped(in, from);
    const int length = rowLength(in, from, false);
    if (!m.shaper)
        return length;
    const int n = int(in.text.size());
    const int end = length == 0 ? n : std::min(n, from + length + kOwnWidthsAhead);
    for (int i = from; i < end; ++i) {
        if (!m.ownWidths[in.text[i].unicode()])
            return summedOrShaped(in, from);
    }
    return length;
}

} // namespace

void findLineBreaks(QStringView text, quint8 *breakBefore)
{
    // The layout breaks Korean as it breaks words of letters: Hangul is read as a letter.
    QString lettered;
    if (std::any_of(text.begin(), text.end(), isHangul)) {
        lettered = text.toString();
        std::replace_if(lettered.begin(), lettered.end(), isHangul, QChar(u'a'));
        text = lettered;
    }
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text);
    for (qsizetype p = finder.toNextBoundary(); p >= 0; p = finder.toNextBoundary())
        breakBefore[p] = 1;
}

bool fitsOneRow(QStringView text, const qint32 *widths, const RowMetrics &metrics)
{
    // Every piece of a row adds the widths of its characters, a tab the room to the next
    // stop; with all of it within the row, no piece ever overflows it.
    qint64 width = 0;
    for (const QChar c : text) {
        if (metrics.shaper && !metrics.ownWidths[c.unicode()])
            return false; // the shaper's to tell
        if (c == u'\t') {
            if (metrics.tabStop <= 0)
                return false;
            width += tabWidthAt(width, metrics.tabStop);
        } else {
            width += widths[c.unicode()];
        }
        if (width > metrics.lineWidth)
            return false;
    }
    return true;
}

namespace {

// Letters and the punctuation between any two of which the line-breaking rules never
// allow a break. Digits are not among them (the rules may break between a full stop
// and a digit), nor are opening brackets or ! and ?, which breaks may precede or follow.
bool isIdeograph(char16_t c)
{
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF);
}

// The ideographic comma and full stops, before which no line breaks.
bool isClosingCjkPunctuation(char16_t c)
{
    return c == 0x3001 || c == 0x3002 || c == 0xFF0C;
}

bool neverBreaksBeside(char16_t c)
{
    if (c < 0x80) {
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))
            return true;
        switch (c) {
        case u'.': case u',': case u':': case u';': case u'"': case u'\'': case u')':
        case u']': case u'#': case u'&': case u'*': case u'=': case u'@': case u'_':
        case u'<': case u'>': case u'~': case u'^': case u'`':
            return true;
        default:
            return false;
        }
    }
    if (c >= 0xC0 && c <= 0xFF)
        return c != 0xD7 && c != 0xF7; // Latin-1 letters, not the signs between them
    if (c >= 0x0590 && c <= 0x0DFF) {
        // Hebrew, Arabic and the Indic scripts: their letters and marks read as letters;
        // their digits and dandas do not.
        switch (QChar::category(char32_t(c))) {
        case QChar::Letter_Other: case QChar::Letter_Modifier: case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining: case QChar::Mark_Enclosing:
            return true;
        default:
            return false;
        }
    }
    return c == 0xA9 || c == 0x201C || c == 0x201D;
}

} // namespace

bool isPlainLetter(QChar c)
{
    const char16_t u = c.unicode();
    if ((u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z'))
        return true;
    if (u < 0xC0 || (u >= 0x0300 && u <= 0x036F) || (u >= 0x2000 && u <= 0x206F) || !c.isLetter())
        return false; // combining marks, joiners and general punctuation are no letters
    const QChar::Script script = c.script();
    return script == QChar::Script_Latin || script == QChar::Script_Greek
           || script == QChar::Script_Cyrillic;
}

void findBreaksInWords(QStringView text, quint8 *breakBefore)
{
    // A run that may break inside is read by the rules from the last plain letter
    // before it, where they start afresh, to the first one after it. Runs with no such
    // letter between them are read as one stretch, so nothing is read twice.
    const qsizetype n = text.size();
    qsizetype lastLetter = 0;
    qsizetype spanFrom = -1;
    qsizetype spanTo = -1;
    qsizetype loudEnd = -1; // the end of the span's last run that may break inside
    std::vector<quint8> found;
    auto flush = [&] {
        if (spanFrom < 0)
            return;
        // Past its last such run the span only looked ahead: the end of the stretch
        // read is no end of the text.
        found.assign(size_t(spanTo - spanFrom) + 1, 0);
        findLineBreaks(text.mid(spanFrom, spanTo - spanFrom), found.data());
        std::copy(found.begin() + 1, found.begin() + (loudEnd - spanFrom), breakBefore + spanFrom + 1);
        spanFrom = -1;
    };
    // A zero-width space ends a run too: never a break before one, always one after it
    // (blanks aside), so a line of a million of them needs no rules read.
    const auto endsRun = [](QChar c) { return isBlankOrTab(c) || c == QChar(0x200B); };
    qsizetype i = 0;
    while (i < n) {
        while (i < n && endsRun(text[i]))
            ++i;
        if (i > 0 && i < n && text[i - 1] == QChar(0x200B))
            breakBefore[i] = 1;
        const qsizetype start = i;
        const qsizetype letterBefore = lastLetter;
        bool quiet = true;
        bool ideographs = true;
        for (; i < n && !endsRun(text[i]); ++i) {
            const QChar c = text[i];
            quiet = quiet && neverBreaksBeside(c.unicode());
            ideographs = ideographs && (isIdeograph(c.unicode()) || isClosingCjkPunctuation(c.unicode()));
            if (isPlainLetter(c))
                lastLetter = i;
        }
        // One character, of two units (an emoji) or with a variation selector, never breaks inside.
        const bool oneCharacter = i - start == 2
                                  && ((text[start].isHighSurrogate() && text[start + 1].isLowSurrogate())
                                      || text[start + 1] == QChar(0xFE0F));
        if (quiet || i - start < 2 || oneCharacter)
            continue;
        if (ideographs) {
            // A break before every ideograph, none before the closing punctuation.
            for (qsizetype k = start + 1; k < i; ++k)
                breakBefore[k] = isIdeograph(text[k].unicode());
            continue;
        }
        if (spanFrom < 0 || letterBefore >= spanTo) {
            flush();
            spanFrom = letterBefore;
        }
        // The rules look ahead too (a currency sign before a number): up to and
        // including the next plain letter, found once for every run before it.
        if (spanTo <= i) {
            spanTo = i;
            while (spanTo < n && !isPlainLetter(text[spanTo]))
                ++spanTo;
            spanTo = std::min(n, spanTo + 1);
        }
        loudEnd = i;
    }
    flush();
}

qint64 tabWidthAt(qint64 x, qint64 tabStop)
{
    if (tabStop <= 0)
        return 0;
    return (x / tabStop + 1) * tabStop - x;
}

void wrapRows(QStringView text, const qint32 *widths, const quint8 *breakBefore,
              const RowMetrics &metrics, std::vector<int> &rowStarts)
{
    rowStarts.clear();
    const RowInput in{text, widths, breakBefore, metrics, false};
    int from = 0;
    do {
        rowStarts.push_back(from);
        from += checkedRowLength(in, from);
    } while (from < text.size());
}

} // namespace wimblet

namespace wimblet {

int rowLengthAt(QStringView text, const qint32 *widths, const quint8 *breakBefore,
                const RowMetrics &metrics, int from, bool textContinues)
{
    const RowInput in{text, widths, breakBefore, metrics, textContinues};
    return checkedRowLength(in, from);
}

} // namespace wimblet
