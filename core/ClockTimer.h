#pragma once

#include <QObject>
#include <QTimer>

// A repeating timer that runs on the real clock, or on Clock::advance() when the clock is manual.
class ClockTimer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClockTimer)

public:
    explicit ClockTimer(QObject *parent = nullptr);
    ~ClockTimer() override;

    void setInterval(int msec);
    int interval() const;
    void start();
    void stop();
    bool isActive() const;

signals:
    void timeout();

private:
    friend class Clock;
    QTimer m_timer;
    bool m_active = false;
};
