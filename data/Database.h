#pragma once

#include <vector>

#include <QString>
#include <QVariant>
#include <QVariantList>

#include "data/DbError.h"
#include "data/SqlDialect.h"

// One open connection to a database engine: the keyed file (SqliteDatabase) or a server reached
// through ODBC (OdbcDatabase). Statements given here are already in the engine's own dialect
// (SqlDialect::translate with target()); everything above this class is the same for both.
class Database {
public:
    struct Column {
        QString name; // the label, in the program's spelling
        QString table; // base table as the engine names it, empty for an expression
        QString origin; // base column as the engine names it, empty for an expression
    };
    struct Result {
        std::vector<Column> columns;
        std::vector<std::vector<QVariant>> rows;
    };

    Database() = default;
    virtual ~Database() = default;
    Q_DISABLE_COPY_MOVE(Database)

    virtual SqlDialect::Target target() const = 0;

    // Runs a query and fetches its whole result. A failure to compile the statement gives
    // DbError::CommandError, one while reading its rows DbError::GenericFailure.
    virtual bool query(const QString &sql, Result *result, DbError *error) = 0;
    // Runs one statement with `params` bound to its ? marks (a bool binds as -1 or 0); `changes`
    // receives the rows it changed. No transaction of its own.
    virtual bool execute(const QString &sql, const QVariantList &params, qint64 *changes, DbError *error) = 0;
    // Runs one statement once for each list of values, compiling it once: false at the first failure.
    virtual bool executeEach(const QString &sql, const std::vector<QVariantList> &rows, DbError *error) = 0;
    // Runs one statement whose failure leaves the open transaction as it was, so that what else
    // the transaction wrote can still be committed.
    virtual bool executeAside(const QString &sql, DbError *error) = 0;

    // `forWriting`: the transaction will write, so it may take the write lock at once.
    virtual bool begin(DbError *error, bool forWriting = false) = 0;
    virtual bool commit(DbError *error) = 0;
    // Undoes the open transaction, if there is one.
    virtual void rollback() = 0;
    virtual bool inTransaction() const = 0;

    // The single-column primary key of a base table, empty when it has none or several.
    virtual QString keyColumn(const QString &table) = 0;
    // A table or column name as written into a statement for this engine.
    virtual QString quoteName(const QString &name) const = 0;
    // The comparison that holds for two NULLs too, as the optimistic check of a write-back needs.
    virtual QString nullSafeEquals() const = 0;
    // The key the last insert on this connection was given, or 0.
    virtual qlonglong lastInsertId() = 0;
    // Whether the connection still works; a pooled one that does not is opened anew.
    virtual bool isUsable() = 0;
    // The signed-in user, or an empty string for a file.
    virtual QString userName() const = 0;
    // Whether a table of that name exists (the name matched without regard to case).
    virtual bool hasTable(const QString &name) = 0;

    // The statement in this engine's dialect.
    QString translate(const QString &sql) const { return SqlDialect::translate(sql, target()); }
};
