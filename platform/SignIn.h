#pragma once

#include <optional>

#include <QList>
#include <QString>

// Asks the person for the user name and password to sign in to a database server, when the data
// source does not hold them. Tests switch on test mode and queue the answers; in test mode a
// question without a queued answer is cancelled.
class SignIn final {
public:
    struct Credentials {
        QString user;
        QString password;
    };

    // Nothing when the person cancels.
    static std::optional<Credentials> ask(const QString &source);

    // Test seam.
    static void setTestMode(bool on);
    static void setNextAnswer(std::optional<Credentials> answer);
    // The sources asked for, in order.
    static const QList<QString> &asked();

private:
    SignIn() = delete;
};
