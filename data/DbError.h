#pragma once

#include <QString>

// An engine failure as the program reports it: a signed error number and a description.
struct DbError {
    // The generic failure number; the program singles it out for files it cannot open.
    static constexpr long GenericFailure = -2147467259L;
    static constexpr long CommandError = -2147217900L;
    static constexpr long NotADatabase = -2147217843L;
    static constexpr long ProviderNotFound = 3706L;
    static constexpr long ConnectionClosed = 3709L;
    static constexpr long UpdateConflict = -2147217864L;
    // A server that cannot be reached or refuses the sign-in (the number of a refused sign-in).
    static constexpr long ConnectFailed = -2147217843L;
    // The server refused the statement to the signed-in user.
    static constexpr long PermissionDenied = -2147217911L;

    long number = 0;
    QString description;
    // The server's SQLSTATE, which tells its own refusals apart; empty for a file.
    QString state = QString();
    // The database could not be reached (a dropped or shut-down server session, a file locked,
    // unreadable or unwritable): a fresh connection may succeed where this one failed.
    bool unreachable = false;

    QString text() const { return QString::number(number) + QLatin1String(" - ") + description; }
};
