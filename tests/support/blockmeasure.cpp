#include "support/blockmeasure.h"

#include <algorithm>

namespace wimblet {

BlockMeasure measureBlock(QStringView text, const qint32 *widths, qint64 tabStop)
{
    BlockMeasure m;
    qint64 run = 0;
    const QChar *s = text.data();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i].unicode();
        if (c == u'\t') {
            if (tabStop <= 0)
                return m;
            m.width += tabWidthAt(m.width, tabStop);
            run = 0;
            continue;
        }
        const qint32 w = widths[c];
        if (w <= 0) {
            if (w == kUnknownWidth)
                m.unknownAt = i;
            return m;
        }
        m.width += w;
        if (c == u' ') {
            run += w;
            m.widestSpaceRun = std::max(m.widestSpaceRun, run);
        } else {
            run = 0;
        }
    }
    m.measurable = true;
    return m;
}

} // namespace wimblet
