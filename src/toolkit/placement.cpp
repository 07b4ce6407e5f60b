#include "toolkit/placement.h"

#include <algorithm>

namespace wimblet {

Placement centredPlacement(QSize size, QMargins frame, QRect available, QSize minimum)
{
    const QSize frameExtra(frame.left() + frame.right(), frame.top() + frame.bottom());
    const QSize room = available.size() - frameExtra;
    const QSize fitted(std::max(std::min(size.width(), room.width()), minimum.width()),
                       std::max(std::min(size.height(), room.height()), minimum.height()));
    const QSize framed = fitted + frameExtra;
    const QPoint offset(std::max(0, (available.width() - framed.width()) / 2),
                        std::max(0, (available.height() - framed.height()) / 2));
    return {available.topLeft() + offset, fitted};
}

} // namespace wimblet
