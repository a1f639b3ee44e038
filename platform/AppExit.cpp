#include "platform/AppExit.h"

#include <cstdio>
#include <cstdlib>

namespace {
bool s_testMode = false;
bool s_requested = false;
} // namespace

void AppExit::now()
{
    s_requested = true;
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
