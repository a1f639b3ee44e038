#include "data/SqliteDatabase.h"

#include <sqlcipher/sqlite3.h>

#include "data/SqliteHandle.h"

SqliteDatabase::SqliteDatabase(std::shared_ptr<SqliteHandle> handle)
    : m_handle(std::move(handle))
{
}

SqliteDatabase::~SqliteDatabase() = default;

sqlite3 *SqliteDatabase::get() const
{
    return m_handle->get();
}

QString SqliteDatabase::lastMessage() const
{
    return m_handle->lastMessage();
}

namespace {
// The file could not be reached as the statement needed it: locked past the busy time-out, not
// readable or not writable. Opening it anew may succeed.
bool isUnreachable(int code)
{
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_READONLY:
        return true;
    default:
        return false;
    }
}
} // namespace

DbError SqliteDatabase::statementError()
{
    const int code = m_handle->lastCode() & 0xff;
    const long number = code == SQLITE_ERROR ? DbError::CommandError : DbError::GenericFailure;
    DbError error{number, m_handle->lastMessage()};
    error.unreachable = isUnreachable(code);
    m_unreachable = m_unreachable || error.unreachable;
    return error;
}

bool SqliteDatabase::query(const QString &sql, Result *result, DbError *error)
{
    SqliteStatement stmt(get(), sql);
    if (!stmt.isValid()) {
        *error = statementError();
        error->number = DbError::CommandError;
        return false;
    }
    const int columns = stmt.columnCount();
    result->columns.clear();
    result->rows.clear();
    for (int i = 0; i < columns; ++i) {
        const char *table = sqlite3_column_table_name(stmt.get(), i);
        const char *origin = sqlite3_column_origin_name(stmt.get(), i);
        result->columns.push_back(Column{QString::fromUtf8(sqlite3_column_name(stmt.get(), i)),
            QString::fromUtf8(table ? table : ""), QString::fromUtf8(origin ? origin : "")});
    }
    int rc = SQLITE_OK;
    while ((rc = stmt.step()) == SQLITE_ROW) {
        std::vector<QVariant> row;
        row.reserve(size_t(columns));
        for (int i = 0; i < columns; ++i)
            row.push_back(stmt.column(i));
        result->rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        *error = statementError();
        error->number = DbError::GenericFailure;
        return false;
    }
    return true;
}

bool SqliteDatabase::execute(const QString &sql, const QVariantList &params, qint64 *changes, DbError *error)
{
    SqliteStatement stmt(get(), sql);
    bool ok = stmt.isValid();
    for (int i = 0; ok && i < params.size(); ++i)
        stmt.bind(i + 1, params.at(i));
    ok = ok && stmt.step() == SQLITE_DONE;
    if (!ok) {
        *error = statementError();
        return false;
    }
    if (changes)
        *changes = sqlite3_changes(get());
    return true;
}

bool SqliteDatabase::executeEach(const QString &sql, const std::vector<QVariantList> &rows, DbError *error)
{
    if (rows.empty())
        return true;
    SqliteStatement stmt(get(), sql);
    if (!stmt.isValid()) {
        *error = statementError();
        return false;
    }
    for (const QVariantList &row : rows) {
        sqlite3_reset(stmt.get());
        for (int i = 0; i < row.size(); ++i)
            stmt.bind(i + 1, row.at(i));
        if (stmt.step() != SQLITE_DONE) {
            *error = statementError();
            return false;
        }
    }
    return true;
}

bool SqliteDatabase::begin(DbError *error, bool forWriting)
{
    if (sqlite3_exec(get(), forWriting ? "BEGIN IMMEDIATE" : "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    *error = statementError();
    return false;
}

bool SqliteDatabase::commit(DbError *error)
{
    if (sqlite3_exec(get(), "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    *error = statementError();
    return false;
}

void SqliteDatabase::rollback()
{
    if (inTransaction())
        sqlite3_exec(get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

bool SqliteDatabase::inTransaction() const
{
    return sqlite3_get_autocommit(get()) == 0;
}

QString SqliteDatabase::keyColumn(const QString &table)
{
    SqliteStatement info(get(), QStringLiteral("PRAGMA table_info(\"%1\")").arg(table));
    QString key;
    int keys = 0;
    while (info.isValid() && info.step() == SQLITE_ROW) {
        if (info.column(5).toInt() > 0) {
            key = info.column(1).toString();
            ++keys;
        }
    }
    return keys == 1 ? key : QString();
}

qlonglong SqliteDatabase::lastInsertId()
{
    return qlonglong(sqlite3_last_insert_rowid(get()));
}

bool SqliteDatabase::hasTable(const QString &name)
{
    SqliteStatement stmt(
        get(), QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE"));
    stmt.bind(1, name);
    return stmt.step() == SQLITE_ROW && stmt.column(0).toInt() > 0;
}
