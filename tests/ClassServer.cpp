#include "ClassServer.h"

#include "TestSupport.h"
#include "data/Connection.h"
#include "data/ConnectionPool.h"
#include "data/Database.h"
#include "data/ExamSchema.h"
#include "data/OdbcDatabase.h"
#include "data/PoolBuilder.h"

ClassServer::ClassServer(const std::array<int, 6> &counts)
{
    if (!m_server.isRunning() || !m_server.psql(QStringLiteral("CREATE DATABASE %1").arg(QLatin1String(kDatabase))))
        return;
    m_server.addDsn(QString::fromLatin1(kAdminDsn), QString::fromLatin1(kDatabase),
        QString::fromLatin1(PgServer::kSuperuser), QString::fromLatin1(PgServer::kSuperPassword));
    PoolBuilder builder;
    TestSupport::fillPool(builder, counts);
    if (!builder.buildOnServer(
            QString::fromLatin1(kAdminDsn), QString(), QString(), QString(), PoolBuilder::Mode::Create)) {
        m_error = builder.errors().join(QLatin1Char('\n'));
        return;
    }
    ConnectionPool::clear();
    m_ready = true;
}

bool ClassServer::addRole(const QString &name, const QString &password, const char *group)
{
    if (!m_server.psql(QStringLiteral("CREATE ROLE \"%1\" LOGIN PASSWORD '%2' IN ROLE %3")
                           .arg(name, password, QLatin1String(group))))
        return false;
    m_server.addDsn(name, QString::fromLatin1(kDatabase), name, password);
    return true;
}

bool ClassServer::addCandidate(const QString &name, const QString &password)
{
    return addRole(name, password, ExamSchema::kCandidateRole);
}

bool ClassServer::addTrainer(const QString &name, const QString &password)
{
    return addRole(name, password, ExamSchema::kTrainerRole);
}

bool ClassServer::exec(const QString &sql)
{
    return m_server.psql(sql, nullptr, QString::fromLatin1(kDatabase));
}

QString ClassServer::scalar(const QString &sql)
{
    return m_server.scalar(sql, QString::fromLatin1(kDatabase));
}

std::shared_ptr<Database> ClassServer::connectAs(const QString &user, const QString &password, DbError *error)
{
    DbError ignored;
    const QString description = QStringLiteral("PROVIDER=MSDASQL;dsn=%1;uid=%2;pwd=%3;database=%4;")
                                    .arg(QLatin1String(kAdminDsn), Connection::quoteValue(user),
                                        Connection::quoteValue(password), QLatin1String(kDatabase));
    return OdbcDatabase::connect(
        ConnectionPool::odbcConnectionString(description, QString(), QString()), error ? error : &ignored);
}

bool ClassServer::addClass()
{
    return addCandidate(QStringLiteral("ann"), QStringLiteral("ann-pw"))
        && addCandidate(QStringLiteral("bob"), QStringLiteral("bob-pw"))
        && addTrainer(QStringLiteral("tina"), QStringLiteral("tina-pw"));
}

QVariant ClassServer::value(Database &db, const QString &sql, DbError *failure)
{
    DbError ignored;
    DbError &error = failure ? *failure : ignored;
    Database::Result result;
    if (!db.begin(&error) || !db.query(sql, &result, &error) || !db.commit(&error)) {
        qWarning("%s: %s", qPrintable(sql), qPrintable(error.text()));
        // A refusal leaves the connection ready for the next statement.
        db.rollback();
        return QVariant();
    }
    return result.rows.empty() || result.rows.front().empty() ? QVariant() : result.rows.front().front();
}
