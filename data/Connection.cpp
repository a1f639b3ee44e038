#include "data/Connection.h"

#include "data/ConnectionPool.h"
#include "data/SqliteHandle.h"

namespace {
constexpr char kFileProvider[] = "Microsoft.Jet.OLEDB.4.0";

// Splits a description into its items; a semicolon inside single quotes belongs to the value.
QStringList splitItems(const QString &description)
{
    QStringList items;
    QString current;
    bool inQuotes = false;
    for (const QChar c : description) {
        if (c == QLatin1Char('\''))
            inQuotes = !inQuotes;
        if (c == QLatin1Char(';') && !inQuotes) {
            items.append(current);
            current.clear();
        } else {
            current.append(c);
        }
    }
    items.append(current);
    return items;
}
} // namespace

QString Connection::descriptionItem(const QString &description, const QString &key)
{
    for (const QString &item : splitItems(description)) {
        const int equals = item.indexOf(QLatin1Char('='));
        if (equals < 0 || item.left(equals).trimmed().compare(key, Qt::CaseInsensitive) != 0)
            continue;
        QString value = item.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\'')))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return QString();
}

bool Connection::open(const QString &description, DbError *error)
{
    m_handle.reset();
    const QString provider = descriptionItem(description, QStringLiteral("Provider"));
    if (provider.compare(QLatin1String(kFileProvider), Qt::CaseInsensitive) != 0) {
        *error = DbError{DbError::ProviderNotFound,
                         QStringLiteral("Provider cannot be found. It may not be properly installed.")};
        return false;
    }
    const QString file = descriptionItem(description, QStringLiteral("Data Source"));
    const QString password = descriptionItem(description, QStringLiteral("Jet OLEDB:Database Password"));
    m_handle = ConnectionPool::acquire(file, password, error);
    return m_handle != nullptr;
}
