#include <QApplication>

#include "shell/frmMain.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    frmMain window;
    window.start();
    return window.isQuitting() ? 0 : app.exec();
}
