#include "textview/bidicontext.h"

#include <algorithm>
#include <vector>

namespace wimblet {

namespace {

constexpr char16_t kLre = 0x202A, kRle = 0x202B, kPdf = 0x202C, kLro = 0x202D, kRlo = 0x202E;
constexpr char16_t kLri = 0x2066, kRli = 0x2067, kFsi = 0x2068, kPdi = 0x2069;
constexpr char16_t kLrm = 0x200E, kRlm = 0x200F, kAlm = 0x061C, kZwj = 0x200D;

// Code points of a view, a pair split at either end read as the lone unit it is.
template<typename F>
void forEachCodePoint(QStringView text, F &&f)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
            ++i;
        }
        if (!f(c, i))
            return;
    }
}

char16_t strongMark(char32_t c)
{
    switch (QChar::direction(c)) {
    case QChar::DirL:
        return kLrm;
    case QChar::DirR:
        return kRlm;
    case QChar::DirAL:
        return kAlm;
    default:
        return 0;
    }
}

bool sameDirection(char16_t a, char16_t b)
{
    return (a == kLrm) == (b == kLrm);
}

// The direction the character before a row resolves to, as the mark of it: its own if
// strong; a neutral's from the strong characters either side when they agree, else the
// paragraph's; 0 for a number or anything else whose level the marks would not tell.
char16_t levelMark(char16_t c, char16_t before, char16_t after, char16_t paragraph)
{
    if (QChar::isSurrogate(c))
        return 0;
    if (const char16_t mark = strongMark(c))
        return mark;
    switch (QChar::direction(char32_t(c))) {
    case QChar::DirWS:
    case QChar::DirON:
    case QChar::DirCS:
    case QChar::DirS:
        return sameDirection(before, after) ? after : paragraph;
    default:
        return 0;
    }
}

bool isIsolateOpener(char16_t c)
{
    return c == kLri || c == kRli || c == kFsi;
}

// What an FSI at `at` resolves to: the direction of the first strong character up to
// its PDI; left open (the FSI itself) when that lies past the text.
char16_t resolveFsi(QStringView text, qsizetype at)
{
    char16_t resolved = kFsi;
    int depth = 0;
    forEachCodePoint(text.mid(at + 1), [&](char32_t c, qsizetype) {
        if (isIsolateOpener(char16_t(c)) && c <= 0xFFFF) {
            ++depth;
        } else if (c == kPdi) {
            if (depth-- == 0) {
                resolved = kLri; // an isolate with no strong character in it
                return false;
            }
        } else if (depth == 0 && strongMark(c)) {
            resolved = strongMark(c) == kLrm ? kLri : kRli;
            return false;
        }
        return true;
    });
    return resolved;
}

// The joining of Arabic and similar scripts across the row's start: the letter before
// joins towards the next one, and the row's first letter accepts a join from before.
bool joinsAcross(QStringView before, char32_t first)
{
    const QChar::JoiningType next = QChar::joiningType(first);
    if (next != QChar::Joining_Dual && next != QChar::Joining_Right && next != QChar::Joining_Causing)
        return false;
    for (qsizetype i = before.size(); i > 0; --i) {
        char32_t c = before[i - 1].unicode();
        if (QChar::isLowSurrogate(c) && i > 1 && before[i - 2].isHighSurrogate()) {
            c = QChar::surrogateToUcs4(before[i - 2].unicode(), char16_t(c));
            --i;
        }
        const QChar::JoiningType type = QChar::joiningType(c);
        if (type != QChar::Joining_Transparent)
            return type == QChar::Joining_Dual || type == QChar::Joining_Left
                   || type == QChar::Joining_Causing;
    }
    return false;
}

} // namespace

bool isBidiControl(char16_t c)
{
    return (c >= kLre && c <= kRlo) || (c >= kLri && c <= kPdi);
}

bool DirectionScan::feed(QStringView text)
{
    if (m_known)
        return true;
    forEachCodePoint(text, [&](char32_t c, qsizetype i) {
        if (c <= 0xFFFF && isIsolateOpener(char16_t(c))) {
            ++m_isolates;
        } else if (c == kPdi) {
            m_isolates = std::max(0, m_isolates - 1);
        } else if (m_isolates == 0 && strongMark(c)) {
            m_known = true;
            m_found = strongMark(c) == kLrm ? Qt::LeftToRight : Qt::RightToLeft;
            m_read += i + 1;
            return false;
        }
        return true;
    });
    if (!m_known)
        m_read += text.size();
    return m_known;
}

QString bidiLead(QStringView before, char32_t first, Qt::LayoutDirection direction)
{
    struct Level
    {
        char16_t opener = 0;
        char16_t lastStrong = 0;
    };
    std::vector<Level> levels(1);
    forEachCodePoint(before, [&](char32_t c, qsizetype i) {
        if ((c >= kLre && c <= kRlo && c != kPdf) || c == kLri || c == kRli) {
            levels.push_back({char16_t(c), 0});
        } else if (c == kFsi) {
            levels.push_back({resolveFsi(before, i), 0});
        } else if (c == kPdf) {
            if (levels.size() > 1 && !isIsolateOpener(levels.back().opener))
                levels.pop_back();
        } else if (c == kPdi) {
            const auto isolate = std::find_if(levels.rbegin(), levels.rend(), [](const Level &l) {
                return isIsolateOpener(l.opener);
            });
            if (isolate != levels.rend())
                levels.erase(std::prev(isolate.base()), levels.end());
        } else if (const char16_t mark = strongMark(c)) {
            levels.back().lastStrong = mark;
        }
        return true;
    });
    const char16_t own = direction == Qt::RightToLeft ? kRlm : kLrm;
    const char16_t last = levels.back().lastStrong;
    // Outside any embedding, a mark of the paragraph's own direction says nothing that
    // the start of the row's layout does not (an ALM still turns numbers after it).
    if (levels.front().lastStrong == own)
        levels.front().lastStrong = 0;
    QString lead;
    for (const Level &level : levels) {
        if (level.opener)
            lead += QChar(level.opener);
        if (level.lastStrong)
            lead += QChar(level.lastStrong);
    }
    // A caret at the row's start takes the level of the character before it where the
    // row starts with a run of the other direction: the mark stands for that character.
    const QChar::Direction type = QChar::direction(first);
    const bool number = type == QChar::DirEN || type == QChar::DirAN;
    if (levels.size() == 1 && !before.isEmpty() && (strongMark(first) || number)) {
        const char16_t lastOrOwn = last ? last : own;
        // Numbers count as right-to-left beside neutrals, unless a left-to-right letter
        // came last; their run stands at an even level, as a left-to-right one does.
        const char16_t after = !number ? strongMark(first) : lastOrOwn == kLrm ? kLrm : kRlm;
        const char16_t run = number ? kLrm : strongMark(first);
        const char16_t previous = levelMark(before.back().unicode(), lastOrOwn, after, own);
        if (previous && !sameDirection(previous, run) && (lead.isEmpty() || !sameDirection(lead.back().unicode(), previous)))
            lead += QChar(previous);
    }
    if (joinsAcross(before, first))
        lead += QChar(kZwj);
    return lead;
}

QString bidiTail(QStringView after, Qt::LayoutDirection direction)
{
    char16_t mark = 0;
    forEachCodePoint(after, [&](char32_t c, qsizetype) {
        if (c <= 0xFFFF && isBidiControl(char16_t(c)))
            return false;
        mark = strongMark(c);
        return mark == 0;
    });
    const bool own = direction == Qt::RightToLeft ? mark != kLrm : mark == kLrm;
    return mark && !own ? QString(QChar(mark)) : QString();
}

} // namespace wimblet
