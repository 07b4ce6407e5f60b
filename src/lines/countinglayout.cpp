#include "lines/countinglayout.h"

#include "lines/emoji.h"

#include <QTextLayout>

#include <algorithm>

namespace wimblet {

std::unique_ptr<QTextLayout> countingLayout(const QString &text, const QFont &font,
                                            QTextOption::WrapMode mode, qint64 tabStop)
{
    auto layout = std::make_unique<QTextLayout>(text, font);
    // Emoji sequences in the colour font, as the view draws them.
    layout->setFormats(emojiFormats(text));
    QTextOption option;
    option.setWrapMode(mode);
    if (tabStop > 0)
        option.setTabStopDistance(std::max<qreal>(1, tabStop / 64.0));
    layout->setTextOption(option);
    return layout;
}

} // namespace wimblet
