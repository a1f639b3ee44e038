#include <thread>

#include <QApplication>
#include <QFontDatabase>

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
    // Qt's list of the fonts, which the first screen needs, is made on another core while the main
    // window's frame and the menu's pictures are made, which measure no text.
    std::thread fonts([waitForFonts] {
        waitForFonts();
        QFontDatabase::families();
    });
    frmMain window;
    frmMenu::preloadIcons();
    fonts.join();
    window.start(commandLine.startOptions());
    if (commandLine.checkStart())
        return CommandLine::reportStart(window);
    if (window.isQuitting())
        return 0;
    CommandLine::probeStartUpWhenAsked(window);
    return app.exec();
}
