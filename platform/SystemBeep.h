#pragma once

// The system beep, counted so that tests can see it (a headless platform makes no sound).
class SystemBeep final {
public:
    static void sound();
    static int count();
    static void resetCount();

private:
    SystemBeep() = delete;
};
