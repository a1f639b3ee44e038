#include "platform/SystemBeep.h"

#include <QApplication>

namespace {
int s_count = 0;
}

void SystemBeep::sound()
{
    ++s_count;
    QApplication::beep();
}

int SystemBeep::count()
{
    return s_count;
}

void SystemBeep::resetCount()
{
    s_count = 0;
}
