// The benchmark's yardstick for start-up: a bare Qt window, timed the way the program's start-up
// probe times the program (the steady clock printed once the window is shown, then the end).
#include <chrono>
#include <cstdio>

#include <QApplication>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
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
