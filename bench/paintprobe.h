#pragma once
// Watches a viewport's paint events: whether, at what width and how often it painted.

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>

#include <utility>

namespace bench {

class PaintProbe : public QObject
{
public:
    bool painted = false;
    int width = -1;
    int frames = 0;

    // Runs the event loop until a frame is painted, for at most `spins` rounds; whether
    // one was. Either way, the next wait starts afresh.
    bool waitForFrame(int spins = 100000)
    {
        for (int spin = 0; !painted && spin < spins; ++spin)
            QCoreApplication::processEvents();
        return std::exchange(painted, false);
    }

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
