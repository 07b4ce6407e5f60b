#include "about/lineshape.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cstdlib>

namespace wimblet {

QRect lineCoverage(QPoint from, QPoint to, int width)
{
    const int w = std::max(width, 1);
    const int left = std::min(from.x(), to.x());
    const int top = std::min(from.y(), to.y());
    const int dx = std::abs(to.x() - from.x());
    const int dy = std::abs(to.y() - from.y());
    if (dy == 0)
        return QRect(left, top, dx, w);
    if (dx == 0)
        return QRect(left, top, w, dy);
    return QRect(left, top, dx + w, dy + w);
}

LineShape::LineShape(QPoint from, QPoint to, int width, const QColor &colour, QWidget *parent)
    : QWidget(parent)
    , m_from(from)
    , m_to(to)
    , m_width(std::max(width, 1))
    , m_colour(colour)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(lineCoverage(from, to, m_width));
}

void LineShape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_from.x() == m_to.x() || m_from.y() == m_to.y()) {
        painter.fillRect(rect(), m_colour);
        return;
    }
    QPen pen(m_colour, m_width);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    const QPoint origin = geometry().topLeft();
    const QPointF half(m_width / 2.0, m_width / 2.0);
    painter.drawLine(QPointF(m_from - origin) + half, QPointF(m_to - origin) + half);
}

} // namespace wimblet
