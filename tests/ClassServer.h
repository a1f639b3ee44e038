#pragma once

#include <array>
#include <memory>

#include <QString>
#include <QVariant>

#include "PgServer.h"

class Database;

// A test server holding one class's exam database, built as a trainer builds it (vesk-buildpool
// --dsn: schema, protection, the pool of TestSupport::fillPool), with an administrator's data
// source, and candidates and trainers added as roles, each with a data source of their own name.
class ClassServer final {
    Q_DISABLE_COPY_MOVE(ClassServer)

public:
    static constexpr char kDatabase[] = "class1";
    static constexpr char kAdminDsn[] = "ClassAdmin";

    explicit ClassServer(const std::array<int, 6> &counts = {10, 10, 10, 10, 10, 10});

    bool isReady() const { return m_ready; }
    QString error() const { return m_error.isEmpty() ? m_server.error() : m_error; }
    PgServer &server() { return m_server; }

    // A login role in the candidate (or trainer) group, and a data source named after it that
    // holds its user and password.
    bool addCandidate(const QString &name, const QString &password);
    bool addTrainer(const QString &name, const QString &password);
    // The class most tests use: candidates ann and bob, and tina their trainer (passwords NAME-pw).
    bool addClass();

    // As the administrator, on the class's database.
    bool exec(const QString &sql);
    QString scalar(const QString &sql);
    // A connection of its own as `user`, outside the program's pool, its credentials in the
    // description (no data source user needed).
    static std::shared_ptr<Database> connectAs(
        const QString &user, const QString &password, struct DbError *error = nullptr);

    // The first value of a statement run in a transaction of its own on `db` (an invalid one, with a
    // warning and `error` set, when it fails).
    static QVariant value(Database &db, const QString &sql, struct DbError *error = nullptr);

private:
    bool addRole(const QString &name, const QString &password, const char *group);

    PgServer m_server;
    QString m_error;
    bool m_ready = false;
};
