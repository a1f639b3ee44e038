#pragma once

#include <memory>

#include <QString>

#include "data/DbError.h"

class SqliteHandle;

// Keeps opened, keyed connections per database file so that only the first open pays for the
// key derivation. A pooled connection is handed out again only while its path still names the
// same file (same device and inode) and that file is still readable.
class ConnectionPool final
{
public:
    static std::shared_ptr<SqliteHandle> acquire(const QString &path, const QString &password,
                                                 DbError *error);
    // The file a path names, its name matched without regard to case within its folder.
    static QString resolveFile(const QString &path);
    static void clear();
    static void setBusyTimeout(int msec);
    static int busyTimeout();

private:
    ConnectionPool() = delete;
};
