#include "core/FailureReport.h"

#include <cstdio>

namespace {
FailureReport::Handler &handler()
{
    static FailureReport::Handler installed;
    return installed;
}
} // namespace

void FailureReport::setHandler(Handler handler)
{
    ::handler() = std::move(handler);
}

void FailureReport::report(const Failure &failure)
{
    if (handler()) {
        handler()(failure);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", qPrintable(failure.title), qPrintable(failure.text));
}
