#pragma once

#include "platform/MenuCommand.h"

class QString;

// What a screen may ask of the window that holds it, without knowing that window: the shell
// implements it and registers itself, so the screens never include the shell. Calls run at
// once, in the caller's order of events.
class ScreenHost {
public:
    virtual ~ScreenHost() = default;

    // Opens a screen as the menu's button does.
    virtual void OpenScreen(MenuCommand index) = 0;
    // Enables or disables the menu's Start Exam button.
    virtual void SetStartExamEnabled(bool enabled) = 0;
    // Opens the progress chart, a child window of the main window beside the screens, on the
    // exams of `userName` (or brings it forward and shows that candidate).
    virtual void OpenProgressChart(const QString &userName) = 0;
    // The stored exams or the pass mark changed (an exam deleted or scored): the windows that
    // show them read them again.
    virtual void StudyDataChanged() = 0;

    // The registered host, or null when none is (a screen shown on its own in a test).
    static ScreenHost *current();
    static void setCurrent(ScreenHost *host);
};
