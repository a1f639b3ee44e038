#include "data/ConnectionPool.h"

#include <map>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>

#include <sqlcipher/sqlite3.h>

#include "data/ExamSchema.h"
#include "data/SqlDialect.h"
#include "data/SqliteHandle.h"

namespace {
struct PoolEntry
{
    std::shared_ptr<SqliteHandle> handle;
    dev_t device = 0;
    ino_t inode = 0;
};

std::map<QString, PoolEntry> s_pool;
int s_busyTimeout = 5000;

QString quoted(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

bool execute(sqlite3 *db, const char *sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

DbError fileError(const QString &path)
{
    return DbError{DbError::GenericFailure,
                   QStringLiteral("Could not find or open the file '%1'.").arg(QDir::toNativeSeparators(path))};
}

bool hasExamTables(sqlite3 *db)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND lower(name) IN "
                           "('q_a', 'examtitle', 'examdetails')",
                           -1, &stmt, nullptr)
        != SQLITE_OK)
        return false;
    const bool found = sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_int(stmt, 0) == 3;
    sqlite3_finalize(stmt);
    return found;
}

std::shared_ptr<SqliteHandle> openFresh(const QString &path, const QString &password, DbError *error)
{
    sqlite3 *raw = nullptr;
    // No SQLITE_OPEN_CREATE: a missing file must fail, never appear empty.
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
    auto handle = std::make_shared<SqliteHandle>(raw);
    if (rc != SQLITE_OK) {
        *error = fileError(path);
        return nullptr;
    }
    sqlite3_busy_timeout(raw, s_busyTimeout);
    const QByteArray keySql = (QLatin1String("PRAGMA key = ") + quoted(password) + QLatin1Char(';')).toUtf8();
    if (!execute(raw, keySql.constData())) {
        *error = DbError{DbError::NotADatabase, handle->lastMessage()};
        return nullptr;
    }
    // A wrong key or a file that is not a database shows only at the first read.
    char *message = nullptr;
    const int readCode = sqlite3_exec(raw, "SELECT count(*) FROM sqlite_master;", nullptr, nullptr, &message);
    const QString readMessage = message ? QString::fromUtf8(message) : QString();
    sqlite3_free(message);
    if (readCode != SQLITE_OK) {
        const int primary = readCode & 0xff;
        const bool fileProblem = primary == SQLITE_CANTOPEN || primary == SQLITE_IOERR
                                 || primary == SQLITE_PERM || primary == SQLITE_BUSY;
        *error = fileProblem ? DbError{DbError::GenericFailure, readMessage}
                             : DbError{DbError::NotADatabase, readMessage};
        return nullptr;
    }
    // An empty (0-byte) or schema-less file reads as a database with no tables: it is no exam
    // database either, and is left exactly as it is.
    if (!hasExamTables(raw)) {
        *error = DbError{DbError::NotADatabase,
                         QStringLiteral("The file '%1' holds no exam tables.").arg(QDir::toNativeSeparators(path))};
        return nullptr;
    }
    // A database of an earlier version gains the side tables; a read-only one goes on without.
    if (sqlite3_db_readonly(raw, "main") == 0) {
        for (const QString &create : ExamSchema::sideTableStatements())
            execute(raw, create.toUtf8().constData());
    }
    // Rollback journal with full syncs: a committed answer survives a killed process, and a
    // read-only file still opens for reading (a WAL file would not on this engine).
    execute(raw, "PRAGMA journal_mode = DELETE;");
    execute(raw, "PRAGMA synchronous = FULL;");
    // Room for a large history's pages once decrypted (32 MB): a candidate's exams are read again
    // for every chart and practice draw.
    execute(raw, "PRAGMA cache_size = -32000;");
    SqlDialect::registerFunctions(raw);
    return handle;
}
} // namespace

QString ConnectionPool::resolveFile(const QString &path)
{
    // The descriptions join folder and file with a backslash; a doubled separator names the same file.
    QString unified = path;
    unified.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString clean = QDir::cleanPath(unified);
    const QFileInfo info(clean);
    if (info.exists())
        return info.absoluteFilePath();
    const QDir folder = info.absoluteDir();
    const QStringList entries = folder.entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System
                                                 | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        if (entry.compare(info.fileName(), Qt::CaseInsensitive) == 0)
            return folder.absoluteFilePath(entry);
    }
    return info.absoluteFilePath();
}

std::shared_ptr<SqliteHandle> ConnectionPool::acquire(const QString &path, const QString &password,
                                                      DbError *error)
{
    const QString file = resolveFile(path);
    struct stat st {};
    const QByteArray encoded = QFile::encodeName(file);
    const QString key = file + QLatin1Char('\n') + password;
    if (::stat(encoded.constData(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(encoded.constData(), R_OK) != 0) {
        s_pool.erase(key);
        *error = fileError(file);
        return nullptr;
    }
    const auto found = s_pool.find(key);
    if (found != s_pool.end()) {
        if (found->second.device == st.st_dev && found->second.inode == st.st_ino)
            return found->second.handle;
        s_pool.erase(found);
    }
    std::shared_ptr<SqliteHandle> handle = openFresh(file, password, error);
    if (handle)
        s_pool[key] = PoolEntry{handle, st.st_dev, st.st_ino};
    return handle;
}

void ConnectionPool::clear()
{
    s_pool.clear();
}

void ConnectionPool::setBusyTimeout(int msec)
{
    s_busyTimeout = msec;
    for (auto &entry : s_pool)
        sqlite3_busy_timeout(entry.second.handle->get(), msec);
}

int ConnectionPool::busyTimeout()
{
    return s_busyTimeout;
}
