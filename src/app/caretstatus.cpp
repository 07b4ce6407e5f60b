#include "app/caretstatus.h"

#include "textbox/linequeries.h"

#include <limits>

namespace wimblet {

namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();

// Runs one step; whatever goes wrong inside it stays inside it.
template <typename Step>
void guarded(Step &&step)
{
    try {
        step();
    } catch (...) {
    }
}

// A query that fails leaves the figure as it was.
void take(int &figure, const std::optional<int> &answer)
{
    if (answer)
        figure = *answer;
}

} // namespace

std::optional<QString> lineColumnText(int line, int column)
{
    if (line == kIntMax || column == kIntMax)
        return std::nullopt;
    return QStringLiteral("Ln %1, Col %2 ").arg(line + 1).arg(column + 1);
}

QString lineCountText(int lines)
{
    return QStringLiteral("%1 Lines ").arg(lines);
}

std::optional<int> columnOf(int offset, int lineStart)
{
    const qint64 column = qint64(offset) - lineStart;
    if (column < std::numeric_limits<int>::min() || column > kIntMax)
        return std::nullopt;
    return int(column);
}

void refreshCaretStatus(const CaretStatusTarget &t)
{
    int n = 0, p = 0, l = 0, s = 0, c = 0;
    const LineQueries *q = t.queries;
    guarded([&] { take(n, q ? q->lineCount() : std::nullopt); });
    guarded([&] { take(p, q ? q->selectionEnd() : std::nullopt); });
    guarded([&] { take(l, q ? q->lineFromChar(p) : std::nullopt); });
    guarded([&] { take(s, q ? q->lineIndex(l) : std::nullopt); });
    guarded([&] { take(c, columnOf(p, s)); });
    guarded([&] {
        const std::optional<QString> text = lineColumnText(l, c);
        if (text && t.setPanel3)
            t.setPanel3(*text);
    });
    guarded([&] {
        if (t.setPanel4)
            t.setPanel4(lineCountText(n));
    });
    guarded([&] {
        if (t.setFocus)
            t.setFocus();
    });
}

} // namespace wimblet
