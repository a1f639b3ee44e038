#include "data/Connection.h"

#include "data/ConnectionPool.h"
#include "data/SqliteDatabase.h"

namespace {
constexpr char kFileProvider[] = "Microsoft.Jet.OLEDB.4.0";
constexpr char kOdbcProvider[] = "MSDASQL";

struct Item {
    QString key;
    QString value;
};

// Reads a description's items the way such descriptions are written: key=value pairs separated
// by semicolons, where a value may be enclosed in double or single quotes (the quote doubled
// inside) and may then hold semicolons, quotes of the other kind and equals signs. A quote
// inside an unquoted value is an ordinary character, so a folder named O'Brien reads back.
QList<Item> parseItems(const QString &description)
{
    QList<Item> items;
    const qsizetype n = description.size();
    qsizetype at = 0;
    while (at < n) {
        const qsizetype equals = description.indexOf(QLatin1Char('='), at);
        const qsizetype semicolon = description.indexOf(QLatin1Char(';'), at);
        if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
            // An item without a value.
            at = semicolon < 0 ? n : semicolon + 1;
            continue;
        }
        Item item{description.mid(at, equals - at).trimmed(), QString()};
        at = equals + 1;
        while (at < n && description.at(at) == QLatin1Char(' '))
            ++at;
        const QChar quote = at < n ? description.at(at) : QChar();
        if (quote == QLatin1Char('"') || quote == QLatin1Char('\'')) {
            ++at;
            while (at < n) {
                if (description.at(at) == quote) {
                    if (at + 1 < n && description.at(at + 1) == quote) {
                        item.value.append(quote);
                        at += 2;
                        continue;
                    }
                    ++at;
                    break;
                }
                item.value.append(description.at(at++));
            }
            const qsizetype next = description.indexOf(QLatin1Char(';'), at);
            at = next < 0 ? n : next + 1;
        } else {
            const qsizetype next = description.indexOf(QLatin1Char(';'), at);
            item.value = description.mid(at, (next < 0 ? n : next) - at).trimmed();
            at = next < 0 ? n : next + 1;
        }
        items.append(item);
    }
    return items;
}
} // namespace

QString Connection::quoteValue(const QString &value)
{
    const bool needsQuotes = value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('"'))
        || value.startsWith(QLatin1Char('\'')) || value != value.trimmed();
    if (!needsQuotes)
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString Connection::userName() const
{
    return m_database ? m_database->userName() : QString();
}

QList<std::pair<QString, QString>> Connection::descriptionItems(const QString &description)
{
    QList<std::pair<QString, QString>> pairs;
    for (const Item &item : parseItems(description))
        pairs.append({item.key, item.value});
    return pairs;
}

QString Connection::descriptionItem(const QString &description, const QString &key)
{
    for (const Item &item : parseItems(description)) {
        if (item.key.compare(key, Qt::CaseInsensitive) == 0)
            return item.value;
    }
    return QString();
}

bool Connection::open(const QString &description, DbError *error)
{
    m_database.reset();
    const QString provider = descriptionItem(description, QStringLiteral("Provider"));
    if (provider.compare(QLatin1String(kOdbcProvider), Qt::CaseInsensitive) == 0) {
        m_database = ConnectionPool::acquireServer(description, error);
        return m_database != nullptr;
    }
    if (provider.compare(QLatin1String(kFileProvider), Qt::CaseInsensitive) != 0) {
        *error = DbError{
            DbError::ProviderNotFound, QStringLiteral("Provider cannot be found. It may not be properly installed.")};
        return false;
    }
    const QString file = descriptionItem(description, QStringLiteral("Data Source"));
    const QString password = descriptionItem(description, QStringLiteral("Jet OLEDB:Database Password"));
    m_database = ConnectionPool::acquire(file, password, error);
    return m_database != nullptr;
}
