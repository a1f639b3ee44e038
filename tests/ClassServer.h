#pragma once

#include <array>
#include <memory>

#include <QString>
#include <QVariant>

#include "PgServer.h"
#include "TestSupport.h"
#include "data/Connection.h"
#include "data/ConnectionPool.h"
#include "data/Database.h"
#include "data/ExamSchema.h"
#include "data/OdbcDatabase.h"
#include "data/PoolBuilder.h"

// A test server holding one class's exam database, built as a trainer builds it (vesk-buildpool
// --dsn: schema, protection, the pool of TestSupport::fillPool), with an administrator's data
// source, and candidates and trainers added as roles, each with a data source of their own name.
class ClassServer final {
public:
    static constexpr char kDatabase[] = "class1";
    static constexpr char kAdminDsn[] = "ClassAdmin";

    explicit ClassServer(const std::array<int, 6> &counts = {10, 10, 10, 10, 10, 10})
    {
        if (!m_server.isRunning() || !m_server.psql(QStringLiteral("CREATE DATABASE %1").arg(QLatin1String(kDatabase))))
            return;
        m_server.addDsn(QString::fromLatin1(kAdminDsn), QString::fromLatin1(kDatabase),
            QString::fromLatin1(PgServer::kSuperuser), QString::fromLatin1(PgServer::kSuperPassword));
        PoolBuilder builder;
        TestSupport::fillPool(builder, counts);
        m_ready = builder.buildOnServer(
            QString::fromLatin1(kAdminDsn), QString(), QString(), QString(), PoolBuilder::Mode::Create);
        m_error = builder.errors().join(QLatin1Char('\n'));
        ConnectionPool::clear();
    }

    bool isReady() const { return m_ready; }
    QString error() const { return m_error.isEmpty() ? m_server.error() : m_error; }
    PgServer &server() { return m_server; }

    // A login role in the candidate (or trainer) group, and a data source named after it that
    // holds its user and password (NAME-pw unless given).
    bool addCandidate(const QString &name, const QString &password = QString())
    {
        return addRole(name, password, ExamSchema::kCandidateRole);
    }
    bool addTrainer(const QString &name, const QString &password = QString())
    {
        return addRole(name, password, ExamSchema::kTrainerRole);
    }
    // The class most tests use: candidates ann and bob, and tina their trainer.
    bool addClass()
    {
        return addCandidate(QStringLiteral("ann")) && addCandidate(QStringLiteral("bob"))
            && addTrainer(QStringLiteral("tina"));
    }

    // As the administrator, on the class's database.
    bool exec(const QString &sql) { return m_server.psql(sql, nullptr, QString::fromLatin1(kDatabase)); }
    QString scalar(const QString &sql) { return m_server.scalar(sql, QString::fromLatin1(kDatabase)); }

    // A connection of its own as `user`, outside the program's pool, its credentials in the
    // description (no data source user needed).
    static std::shared_ptr<Database> connectAs(
        const QString &user, const QString &password = QString(), DbError *error = nullptr)
    {
        DbError ignored;
        const QString description
            = QStringLiteral("PROVIDER=MSDASQL;dsn=%1;uid=%2;pwd=%3;database=%4;")
                  .arg(QLatin1String(kAdminDsn), Connection::quoteValue(user),
                      Connection::quoteValue(passwordOf(user, password)), QLatin1String(kDatabase));
        return OdbcDatabase::connect(
            ConnectionPool::odbcConnectionString(description, QString(), QString()), error ? error : &ignored);
    }

    // The first value of a statement run in a transaction of its own on `db` (an invalid one, with a
    // warning and `error` set, when it fails); as `user`, on a connection of its own.
    static QVariant value(Database &db, const QString &sql, DbError *failure = nullptr)
    {
        DbError ignored;
        DbError &error = failure ? *failure : ignored;
        Database::Result result;
        if (!db.begin(&error) || !db.query(sql, &result, &error) || !db.commit(&error)) {
            qWarning("%s: %s", qPrintable(sql), qPrintable(error.text()));
            db.rollback(); // a refusal leaves the connection ready for the next statement
            return QVariant();
        }
        return result.rows.empty() || result.rows.front().empty() ? QVariant() : result.rows.front().front();
    }
    static QVariant valueAs(const QString &user, const QString &sql) { return value(*connectAs(user), sql); }

private:
    static QString passwordOf(const QString &name, const QString &password)
    {
        return password.isEmpty() ? name + QStringLiteral("-pw") : password;
    }
    bool addRole(const QString &name, const QString &password, const char *group)
    {
        if (!m_server.psql(QStringLiteral("CREATE ROLE \"%1\" LOGIN PASSWORD '%2' IN ROLE %3")
                               .arg(name, passwordOf(name, password), QLatin1String(group))))
            return false;
        m_server.addDsn(name, QString::fromLatin1(kDatabase), name, passwordOf(name, password));
        return true;
    }

    PgServer m_server;
    QString m_error;
    bool m_ready = false;
};
