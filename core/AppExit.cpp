#include "core/AppExit.h"

#include <cstdio>
#include <cstdlib>

#include "core/GenModule.h"
#include "core/UserSettings.h"

namespace {
bool s_testMode = false;
bool s_requested = false;
} // namespace

void AppExit::now()
{
    s_requested = true;
    // An exam this run leaves behind can be continued at the next start, without waiting for its
    // heartbeat to grow old: this run is over.
    UserSettings::setEndedRun(RunToken());
    if (s_testMode)
        return;
    std::fflush(nullptr);
    std::_Exit(1);
}

void AppExit::setTestMode(bool on)
{
    s_testMode = on;
    s_requested = false;
}

bool AppExit::requested()
{
    return s_requested;
}

void AppExit::resetRequested()
{
    s_requested = false;
}
