#pragma once
// Watches a viewport's paint events: whether, at what width and how often it painted.

#include <QEvent>
#include <QObject>
#include <QWidget>

namespace bench {

class PaintProbe : public QObject
{
public:
    bool painted = false;
    int width = -1;
    int frames = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            painted = true;
            width = static_cast<QWidget *>(watched)->width();
            ++frames;
        }
        return false;
    }
};

} // namespace bench
