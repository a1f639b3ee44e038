#include <QApplication>

#include "shell/CommandLine.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "widgets/DeferredIconStyle.h"

// The program proper, loaded by the launcher (main.cpp), which has started reading the font
// configuration on another core before it loaded this library and Qt's. `waitForFonts` returns
// once that is done.
extern "C" __attribute__((visibility("default"))) int vesk_main(int argc, char *argv[], void (*waitForFonts)())
{
    // The name gives the person's data folder (~/.local/share/vesk).
    QCoreApplication::setApplicationName(QStringLiteral("vesk"));
    const CommandLine commandLine(CommandLine::fromArgv(argc, argv));
    if (commandLine.endsAtOnce())
        return commandLine.report();
    QApplication app(argc, argv);
    QApplication::setStyle(new DeferredIconStyle);
    frmMain window;
    frmMenu::preloadIcons();
    // Nothing before this point measures text; the first screen does.
    waitForFonts();
    window.start(commandLine.startOptions());
    if (commandLine.checkStart())
        return CommandLine::reportStart(window);
    if (window.isQuitting())
        return 0;
    CommandLine::probeStartUpWhenAsked(window);
    return app.exec();
}
