#include "tools/TerminalPrompt.h"

#include <cstdio>

#include <termios.h>

namespace {
// Closes the terminal however the question ends.
struct Terminal {
    FILE *file = std::fopen("/dev/tty", "r+");
    ~Terminal()
    {
        if (file)
            std::fclose(file);
    }
};

// Puts the terminal's echo back however the question ends.
struct EchoOff {
    int fd;
    termios saved{};
    bool changed = false;
    explicit EchoOff(int descriptor)
        : fd(descriptor)
    {
        if (tcgetattr(fd, &saved) != 0)
            return;
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        changed = tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff()
    {
        if (changed)
            tcsetattr(fd, TCSAFLUSH, &saved);
    }
};
} // namespace

std::optional<QString> TerminalPrompt::ask(const QString &prompt)
{
    return read(prompt, true);
}

std::optional<QString> TerminalPrompt::askHidden(const QString &prompt)
{
    return read(prompt, false);
}

std::optional<QString> TerminalPrompt::read(const QString &prompt, bool echo)
{
    const Terminal terminal;
    if (!terminal.file)
        return std::nullopt;
    std::fputs(prompt.toLocal8Bit().constData(), terminal.file);
    std::fflush(terminal.file);
    QByteArray line;
    {
        const std::optional<EchoOff> quiet = echo ? std::nullopt : std::make_optional<EchoOff>(fileno(terminal.file));
        int c;
        while ((c = std::fgetc(terminal.file)) != EOF && c != '\n')
            line.append(char(c));
        if (c == EOF && line.isEmpty())
            return std::nullopt;
    }
    if (!echo)
        std::fputc('\n', terminal.file);
    return QString::fromLocal8Bit(line);
}
