#include "platform/ScreenHost.h"

namespace {
ScreenHost *s_host = nullptr;
} // namespace

ScreenHost *ScreenHost::current()
{
    return s_host;
}

void ScreenHost::setCurrent(ScreenHost *host)
{
    s_host = host;
}
