#pragma once

#include <QString>

// An engine failure as the program reports it: a signed error number and a description.
struct DbError
{
    // The generic failure number; the program singles it out for files it cannot open.
    static constexpr long GenericFailure = -2147467259L;
    static constexpr long CommandError = -2147217900L;
    static constexpr long NotADatabase = -2147217843L;
    static constexpr long ProviderNotFound = 3706L;
    static constexpr long ConnectionClosed = 3709L;
    static constexpr long UpdateConflict = -2147217864L;

    long number = 0;
    QString description;

    QString text() const { return QString::number(number) + QLatin1String(" - ") + description; }
};
