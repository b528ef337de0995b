#pragma once

// The countdown's tick. Enabled state and interval behave like a classic
// form timer (setting the interval restarts the count). Rates that divide
// the second (1000, 500, 200 ms) are locked to the clock: each tick is
// placed just after the next step counted from the whole second, so a second
// is never skipped and the shown second changes within milliseconds of the
// real one. A free-running timer drifts: at 1000 ms it can jump from 31 to
// 29, at 200 ms each new second showed up to 200 ms late.

#include <QObject>
#include <QTimer>

namespace kiebitz::platform {
class SystemClock;
}

namespace kiebitz::app {

class CountdownTimer : public QObject {
    Q_OBJECT
public:
    // Milliseconds after the whole second at which an aligned tick fires.
    static constexpr int kAlignMarginMs = 2;

    CountdownTimer(const platform::SystemClock& clock, QObject* parent = nullptr);

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    int interval() const { return m_interval; }
    void setInterval(int ms);

    // Delay of the tick as currently armed; -1 while disabled.
    int nextDelayMs() const { return m_enabled ? m_nextDelay : -1; }

    // Runs one tick now, as if the timer had fired (tests drive the
    // schedule with a fake clock this way).
    void fire();

signals:
    void timeout();

private:
    void arm();

    const platform::SystemClock& m_clock;
    QTimer m_timer;
    bool m_enabled = true;
    int m_interval = 500;
    int m_nextDelay = 500;
};

}  // namespace kiebitz::app
