#pragma once

#include <memory>
#include <utility>

#include <QList>
#include <QString>

#include "data/DbError.h"

class Database;

// A database connection opened from a connection description. Recordsets share its engine
// connection, so they keep working after the connection object itself is released.
class Connection final {
public:
    Connection() = default;
    Q_DISABLE_COPY_MOVE(Connection)

    // Opens the database the description names: the keyed file (Jet 4.0 descriptions) or a server
    // through ODBC (MSDASQL descriptions). Other providers fail as not installed.
    bool open(const QString &description, DbError *error);
    bool isOpen() const { return m_database != nullptr; }
    void close() { m_database.reset(); }
    std::shared_ptr<Database> database() const { return m_database; }
    // Who the connection is signed in as on a server; empty for a file.
    QString userName() const;

    // The value of `key` in a description (first occurrence, its quotes removed).
    static QString descriptionItem(const QString &description, const QString &key);
    // Every key=value item of a description in order, values without their quotes.
    static QList<std::pair<QString, QString>> descriptionItems(const QString &description);
    // A value as a description holds it: unchanged when it can stand bare, else in double quotes
    // with any double quote inside doubled (a path with ';', '"' or edge spaces, say).
    static QString quoteValue(const QString &value);

private:
    std::shared_ptr<Database> m_database;
};
