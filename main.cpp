#include <chrono>
#include <cstdio>

#include <QApplication>
#include <QTimer>

#include "platform/GenModule.h"
#include "shell/frmMain.h"

namespace {
// The benchmark's start-up probe: once the main window is shown and the start-up sequence is
// done, print the steady clock (nanoseconds, shared by every process of the machine) and end.
void probeStartUp(frmMain &window)
{
    QTimer::singleShot(0, &window, [&window] {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        std::printf("%lld\n", static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        std::fflush(stdout);
        gQuitNoPrompt = true;
        window.close();
    });
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    frmMain window;
    window.start();
    if (window.isQuitting())
        return 0;
    if (qEnvironmentVariableIsSet("VESK_STARTUP_PROBE"))
        probeStartUp(window);
    return app.exec();
}
