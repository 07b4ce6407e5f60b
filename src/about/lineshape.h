#pragma once
// A straight line drawn on a window's surface: it has a colour and a width in
// pixels, and it never takes the keyboard focus or the mouse.

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QWidget>

namespace wimblet {

// The pixels a line covers. Horizontal and vertical lines grow their width
// downwards or rightwards and stop just before their end point, so that two
// lines laid end to end do not overlap.
QRect lineCoverage(QPoint from, QPoint to, int width);

class LineShape : public QWidget
{
    Q_OBJECT

public:
    LineShape(QPoint from, QPoint to, int width, const QColor &colour, QWidget *parent);

    QPoint from() const { return m_from; }
    QPoint to() const { return m_to; }
    int borderWidth() const { return m_width; }
    QColor borderColour() const { return m_colour; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPoint m_from;
    QPoint m_to;
    int m_width;
    QColor m_colour;
};

} // namespace wimblet
