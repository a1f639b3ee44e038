#include <QApplication>

#include "shell/CommandLine.h"
#include "shell/frmMain.h"

int main(int argc, char *argv[])
{
    // The name gives the person's data folder (~/.local/share/vesk).
    QCoreApplication::setApplicationName(QStringLiteral("vesk"));
    const CommandLine commandLine(CommandLine::fromArgv(argc, argv));
    if (commandLine.endsAtOnce())
        return commandLine.report();
    QApplication app(argc, argv);
    frmMain window;
    window.start(commandLine.startOptions());
    if (commandLine.checkStart())
        return CommandLine::reportStart(window);
    if (window.isQuitting())
        return 0;
    CommandLine::probeStartUpWhenAsked(window);
    return app.exec();
}
