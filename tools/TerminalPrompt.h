#pragma once

#include <optional>

#include <QString>

// Asks on the controlling terminal, for a command-line tool that has no windows. Nothing when the
// tool runs without a terminal (a script, a pipe) or the person ends the input.
class TerminalPrompt final {
public:
    static std::optional<QString> ask(const QString &prompt);
    // The answer is not echoed: for a password.
    static std::optional<QString> askHidden(const QString &prompt);

private:
    TerminalPrompt() = delete;
    static std::optional<QString> read(const QString &prompt, bool echo);
};
