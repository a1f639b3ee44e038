#pragma once

#include <map>
#include <memory>

#include "data/Database.h"
#include "data/OdbcHandle.h"

// A database server reached through unixODBC (classroom mode: PostgreSQL through its driver).
// Unquoted names come back from the server in lower case; result labels and base names are given
// in the spelling the statement (or the exam schema) uses, so the screens see "ExamID", not "examid".
class OdbcDatabase final : public Database {
public:
    // Connects with an ODBC connection string (SQLDriverConnect, never prompting).
    static std::shared_ptr<OdbcDatabase> connect(const QString &connectionString, DbError *error);
    ~OdbcDatabase() override;
    Q_DISABLE_COPY_MOVE(OdbcDatabase)

    SqlDialect::Target target() const override { return SqlDialect::Target::PostgreSql; }
    bool query(const QString &sql, Result *result, DbError *error) override;
    bool execute(const QString &sql, const QVariantList &params, qint64 *changes, DbError *error) override;
    bool executeEach(const QString &sql, const std::vector<QVariantList> &rows, DbError *error) override;
    bool executeAside(const QString &sql, DbError *error) override;
    bool begin(DbError *error, bool forWriting = false) override;
    bool commit(DbError *error) override;
    void rollback() override;
    bool inTransaction() const override { return m_inTransaction; }
    QString keyColumn(const QString &table) override;
    QString quoteName(const QString &name) const override;
    QString nullSafeEquals() const override { return QStringLiteral("IS NOT DISTINCT FROM"); }
    qlonglong lastInsertId() override;
    bool isUsable() override;
    QString userName() const override { return m_user; }
    bool hasTable(const QString &name) override;

    // A failure as the program numbers it, from a handle's diagnostics.
    static DbError errorOf(const OdbcHandle &handle, long fallback = DbError::GenericFailure);

private:
    explicit OdbcDatabase(std::shared_ptr<OdbcHandle> environment);
    bool setAutocommit(bool on, DbError *error);
    // A statement failed inside the open transaction: the server has aborted it.
    void noteFailure();
    // Remembers a failure that lost the session, so that the pool no longer hands it out.
    DbError noted(const DbError &error);

    std::shared_ptr<OdbcHandle> m_environment; // outlives the connection handle
    OdbcHandle m_connection;
    QString m_user;
    std::map<QString, QString> m_keys; // table -> key column, as found once
    bool m_inTransaction = false;
    // The server ends an aborted transaction's COMMIT as a rollback without an error: the failure
    // is remembered until a savepoint undoes it, so that commit() reports it instead of saying the
    // writes were stored.
    bool m_aborted = false;
    bool m_unreachable = false; // a statement found the session gone
};
