#include "app/countdown_timer.h"

#include "platform/system_clock.h"

namespace kiebitz::app {

CountdownTimer::CountdownTimer(const platform::SystemClock& clock, QObject* parent) : QObject(parent), m_clock(clock)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CountdownTimer::fire);
    arm();
}

void CountdownTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (enabled)
        arm();
    else
        m_timer.stop();
}

void CountdownTimer::setInterval(int ms)
{
    m_interval = ms;
    if (m_enabled)
        arm();
}

void CountdownTimer::fire()
{
    if (!m_enabled)
        return;
    arm();  // a periodic timer keeps going unless the handler changes it
    emit timeout();
}

void CountdownTimer::arm()
{
    if (m_interval <= 0) {
        m_timer.stop();
        return;
    }
    if (1000 % m_interval == 0) {
        // Just after the next step of the rate counted from the whole second
        // (also when called a moment after one: that step has already been
        // shown by the current tick), so a new second shows at once.
        const int ms = m_clock.now().time().msec();
        m_nextDelay = m_interval - ms % m_interval + kAlignMarginMs;
    } else {
        m_nextDelay = m_interval;
    }
    m_timer.start(m_nextDelay);
}

}  // namespace kiebitz::app
