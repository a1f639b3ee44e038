#include "core/Clock.h"

#include <QList>
#include <QPointer>

#include "core/ClockTimer.h"

namespace {
bool s_manual = false;
QDateTime s_now;
QList<ClockTimer *> s_timers;
} // namespace

QDateTime Clock::now()
{
    return s_manual && s_now.isValid() ? s_now : QDateTime::currentDateTime();
}

qint64 Clock::secondsSinceEpoch()
{
    return s_manual && s_now.isValid() ? s_now.toSecsSinceEpoch() : QDateTime::currentSecsSinceEpoch();
}

void Clock::setManual(bool on)
{
    s_manual = on;
    s_now = QDateTime();
}

bool Clock::manual()
{
    return s_manual;
}

void Clock::setNow(const QDateTime &moment)
{
    s_now = moment;
}

void Clock::advance(int ticks)
{
    for (int i = 0; i < ticks; ++i) {
        // A tick may start, stop or delete timers; work on guarded copies.
        QList<QPointer<ClockTimer>> timers;
        for (ClockTimer *timer : s_timers)
            timers.append(timer);
        for (const QPointer<ClockTimer> &timer : timers) {
            if (timer && timer->isActive())
                emit timer->timeout();
        }
        if (s_now.isValid())
            s_now = s_now.addSecs(1);
    }
}

ClockTimer::ClockTimer(QObject *parent)
    : QObject(parent)
{
    s_timers.append(this);
    connect(&m_timer, &QTimer::timeout, this, &ClockTimer::timeout);
}

ClockTimer::~ClockTimer()
{
    s_timers.removeAll(this);
}

void ClockTimer::setInterval(int msec)
{
    m_timer.setInterval(msec);
}

int ClockTimer::interval() const
{
    return m_timer.interval();
}

void ClockTimer::start()
{
    m_active = true;
    if (!s_manual)
        m_timer.start();
}

void ClockTimer::stop()
{
    m_active = false;
    m_timer.stop();
}

bool ClockTimer::isActive() const
{
    return m_active;
}
