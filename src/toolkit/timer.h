#pragma once
// A timer with an interval in milliseconds that ticks while enabled.

#include <QTimer>

namespace wimblet {

class Timer : public QObject
{
    Q_OBJECT

public:
    explicit Timer(QObject *parent = nullptr);

    int Interval() const { return m_interval; }
    void setInterval(int ms);
    bool Enabled() const { return m_enabled; }
    // Enabling starts a fresh interval; an interval of 0 never ticks.
    void setEnabled(bool enabled);

Q_SIGNALS:
    void Tick();

private:
    void restart();

    QTimer m_timer;
    int m_interval = 0;
    bool m_enabled = false;
};

} // namespace wimblet
