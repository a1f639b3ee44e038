#pragma once

#include <QDateTime>

// The program's clock: the present moment and the one-second ticks of the exam clock. Tests set
// the moment and advance the ticks by hand instead of waiting.
class Clock final {
public:
    static QDateTime now();
    // The same moment in seconds since the epoch, without working out the local time.
    static qint64 secondsSinceEpoch();

    static void setManual(bool on);
    static bool manual();
    static void setNow(const QDateTime &moment);
    // Fires `ticks` timeouts on every running ClockTimer, one round at a time.
    static void advance(int ticks);

private:
    Clock() = delete;
};
