#pragma once

#include <functional>
#include <memory>

#include <QString>

#include "data/DbError.h"

class Database;
class SqliteDatabase;

// Keeps opened connections so that a move does not open a new one: keyed connections per database
// file, so that only the first open pays for the key derivation, and server connections per data
// source, database and user, so that only the first starts a server session. A pooled file
// connection is handed out again only while its path still names the same file (same device and
// inode), that file is still readable and the connection has not found it out of reach; a server
// connection only while it still works.
class ConnectionPool final {
public:
    static std::shared_ptr<SqliteDatabase> acquire(const QString &path, const QString &password, DbError *error);
    // A server connection for an ODBC description (PROVIDER=MSDASQL;dsn=...;uid=;pwd=;database=...;).
    // Without a user in the description or the data source, the person signs in first (once a run).
    static std::shared_ptr<Database> acquireServer(const QString &description, DbError *error);
    // Opens, wherever it is called, a server session of its own for the same database and person as
    // acquireServer's, with the same settings, never pooled: a reader on another thread. Resolve it
    // on the program's thread, after the first sign-in, which it never asks again.
    static std::function<std::shared_ptr<Database>(DbError *)> separateServer(const QString &description);
    // The ODBC connection string for a description: PROVIDER and every empty uid, pwd or database
    // item dropped (the driver would let an empty item override the data source's own value), the
    // credentials added when given, and the driver options the data layer relies on.
    static QString odbcConnectionString(const QString &description, const QString &user, const QString &password);
    // The file a path names, its name matched without regard to case within its folder.
    static QString resolveFile(const QString &path);
    static void clear();
    static void setBusyTimeout(int msec);
    static int busyTimeout();
    // Server connections opened from now on run without a statement time-out (the pool builder).
    static void setPoolLoad(bool on);

private:
    ConnectionPool() = delete;
};
