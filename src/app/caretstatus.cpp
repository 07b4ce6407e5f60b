#include "caretstatus.h"

#include "toolkit/linequeries.h"

#include <limits>

namespace wimblet {

namespace {
constexpr int kIntMax = std::numeric_limits<int>::max();
}

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

void refreshCaretStatus(const CaretStatusTarget &t)
{
    // Every figure starts at 0 and keeps it when its step fails.
    int n = 0, p = 0, l = 0, s = 0, c = 0;
    if (t.queries) {
        n = t.queries->lineCount().value_or(0);
        p = t.queries->selectionEnd().value_or(0);
        l = t.queries->lineFromChar(p).value_or(0);
        s = t.queries->lineIndex(l).value_or(0);
    }
    const qint64 column = qint64(p) - s;
    if (column >= std::numeric_limits<int>::min() && column <= kIntMax)
        c = int(column);
    if (const std::optional<QString> text = lineColumnText(l, c); text && t.setPanel3)
        t.setPanel3(*text);
    if (t.setPanel4)
        t.setPanel4(lineCountText(n));
    if (t.setFocus)
        t.setFocus();
}

} // namespace wimblet
