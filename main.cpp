#include <thread>

#include <QApplication>

#include <fontconfig/fontconfig.h>

#include "shell/CommandLine.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "widgets/DeferredIconStyle.h"

int main(int argc, char *argv[])
{
    // The name gives the person's data folder (~/.local/share/vesk).
    QCoreApplication::setApplicationName(QStringLiteral("vesk"));
    const CommandLine commandLine(CommandLine::fromArgv(argc, argv));
    if (commandLine.endsAtOnce())
        return commandLine.report();
    // Reading the font configuration is the longest step of start-up, and the first screen needs
    // it. It runs on another core while Qt loads its plugins and the main window's frame and the
    // menu's pictures are made, none of which measures text; Qt then finds it ready.
    std::thread fontConfiguration([] { FcInit(); });
    QApplication app(argc, argv);
    QApplication::setStyle(new DeferredIconStyle);
    frmMain window;
    frmMenu::preloadIcons();
    fontConfiguration.join();
    window.start(commandLine.startOptions());
    if (commandLine.checkStart())
        return CommandLine::reportStart(window);
    if (window.isQuitting())
        return 0;
    CommandLine::probeStartUpWhenAsked(window);
    return app.exec();
}
