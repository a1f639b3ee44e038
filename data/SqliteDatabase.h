#pragma once

#include <memory>

#include "data/Database.h"

class SqliteHandle;
struct sqlite3;

// The keyed exam file through SQLCipher.
class SqliteDatabase final : public Database {
public:
    explicit SqliteDatabase(std::shared_ptr<SqliteHandle> handle);
    ~SqliteDatabase() override;
    Q_DISABLE_COPY_MOVE(SqliteDatabase)

    sqlite3 *get() const;
    SqliteHandle &handle() const { return *m_handle; }
    QString lastMessage() const;

    SqlDialect::Target target() const override { return SqlDialect::Target::Sqlite; }
    bool query(const QString &sql, Result *result, DbError *error) override;
    bool execute(const QString &sql, const QVariantList &params, qint64 *changes, DbError *error) override;
    // A failing statement of the file's undoes only itself.
    bool executeAside(const QString &sql, DbError *error) override { return execute(sql, {}, nullptr, error); }
    bool executeEach(const QString &sql, const std::vector<QVariantList> &rows, DbError *error) override;
    bool begin(DbError *error, bool forWriting = false) override;
    bool commit(DbError *error) override;
    void rollback() override;
    bool inTransaction() const override;
    QString keyColumn(const QString &table) override;
    QString quoteName(const QString &name) const override { return QLatin1Char('"') + name + QLatin1Char('"'); }
    QString nullSafeEquals() const override { return QStringLiteral("IS"); }
    qlonglong lastInsertId() override;
    // False once a statement found the file out of reach: the pool opens the file anew.
    bool isUsable() override { return !m_unreachable; }
    QString userName() const override { return QString(); }
    bool hasTable(const QString &name) override;

    // The error of the last failed call, numbered as the program reports statement failures.
    DbError statementError();

private:
    std::shared_ptr<SqliteHandle> m_handle;
    bool m_unreachable = false;
};
