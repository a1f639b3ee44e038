// The benchmark's yardstick for start-up: a bare Qt window, timed the way the program's start-up
// probe times the program (the steady clock printed once the window is shown, then the end).
// With --caption the window holds one line of text, so that, like any window with words on it, it
// reads the font configuration before it shows; the bare window reads it only as it closes.
#include <chrono>
#include <cstdio>

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    if (QCoreApplication::arguments().contains(QStringLiteral("--caption")))
        window.setCentralWidget(new QLabel(QStringLiteral("Start Exam"), &window));
    window.show();
    QTimer::singleShot(0, &window, [] {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        std::printf(
            "%lld\n", static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    return app.exec();
}
