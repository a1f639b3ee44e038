#pragma once

#include <functional>
#include <optional>

#include <QList>
#include <QString>

// Asks the person for the user name and password to sign in to a database server, when the data
// source does not hold them. The program installs the asker (the sign-in box, or a prompt on the
// terminal); without one the question is cancelled. Tests switch on test mode and queue the
// answers; in test mode a question without a queued answer is cancelled.
class SignIn final {
public:
    struct Credentials {
        QString user;
        QString password;
    };

    using Asker = std::function<std::optional<Credentials>(const QString &source)>;

    // Nothing when the person cancels.
    static std::optional<Credentials> ask(const QString &source);
    static void setAsker(Asker asker);

    // Test seam.
    static void setTestMode(bool on);
    static void setNextAnswer(std::optional<Credentials> answer);
    // The sources asked for, in order.
    static const QList<QString> &asked();

private:
    SignIn() = delete;
};
