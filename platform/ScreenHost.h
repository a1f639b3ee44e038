#pragma once

// What a screen may ask of the window that holds it, without knowing that window: the shell
// implements it and registers itself, so the screens never include the shell. Calls run at
// once, in the caller's order of events.
class ScreenHost
{
public:
    virtual ~ScreenHost() = default;

    // Opens a screen as the menu's button of that index does (1 = the results screen).
    virtual void OpenScreen(int index) = 0;
    // Enables or disables the menu's Start Exam button.
    virtual void SetStartExamEnabled(bool enabled) = 0;

    // The registered host, or null when none is (a screen shown on its own in a test).
    static ScreenHost *current();
    static void setCurrent(ScreenHost *host);
};
