#pragma once

#include <memory>

#include <QString>

#include "data/DbError.h"

class SqliteHandle;

// A database connection opened from a connection description. Recordsets share its engine
// handle, so they keep working after the connection object itself is released.
class Connection final
{
public:
    Connection() = default;
    Q_DISABLE_COPY_MOVE(Connection)

    // Opens the database the description names. Only the keyed file engine is available; other
    // providers fail as not installed.
    bool open(const QString &description, DbError *error);
    bool isOpen() const { return m_handle != nullptr; }
    void close() { m_handle.reset(); }
    std::shared_ptr<SqliteHandle> handle() const { return m_handle; }

    // The value of `key` in a description (first occurrence, its quotes removed).
    static QString descriptionItem(const QString &description, const QString &key);
    // A value as a description holds it: unchanged when it can stand bare, else in double quotes
    // with any double quote inside doubled (a path with ';', '"' or edge spaces, say).
    static QString quoteValue(const QString &value);

private:
    std::shared_ptr<SqliteHandle> m_handle;
};
