#pragma once

// Ends the program at once, as a fatal database failure requires: no further events, no quit
// question, no closing handlers. Tests replace the ending with a flag and carry on; callers
// therefore return quietly after asking for it.
class AppExit final {
public:
    static void now();

    static void setTestMode(bool on);
    static bool requested();
    static void resetRequested();

private:
    AppExit() = delete;
};
