#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A PostgreSQL server of the test's own: a new cluster in a temporary folder, reached only through
// a Unix socket there, and an ODBC set-up (odbcinst.ini, odbc.ini, in one folder for the whole
// process) that ODBCSYSINI and ODBCINI point at. The server refuses to run as root, so as root it
// runs as the postgres user.
// Destroying the object stops the server and removes everything.
class PgServer final {
    Q_DISABLE_COPY_MOVE(PgServer)

public:
    static constexpr char kSuperuser[] = "postgres";
    static constexpr char kSuperPassword[] = "vesk-admin";
    static constexpr char kDriver[] = "PostgreSQL Unicode";

    PgServer();
    ~PgServer();

    // Whether the server was made and runs; error() tells why not.
    bool isRunning() const { return m_running; }
    QString error() const { return m_error; }

    // Stops the server (fast shutdown: sessions are ended, committed work is kept) and starts it again.
    bool stop();
    bool start();

    QString socketFolder() const { return m_dir.filePath(QStringLiteral("sock")); }

    // Runs SQL through psql as `user` (the superuser by default) on `database`; false with error()
    // on a failure. `output` receives the rows, unaligned, '|' between fields.
    bool psql(const QString &sql, QString *output = nullptr, const QString &database = QStringLiteral("postgres"),
        const QString &user = QString::fromLatin1(kSuperuser),
        const QString &password = QString::fromLatin1(kSuperPassword));
    // The first field of the first row, or an empty string.
    QString scalar(const QString &sql, const QString &database = QStringLiteral("postgres"));

    // Writes a data source named `name` for `database`; user and password only when given.
    void addDsn(const QString &name, const QString &database, const QString &user = QString(),
        const QString &password = QString());

private:
    bool run(const QString &program, const QStringList &arguments, QString *output = nullptr,
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
    void writeOdbcFiles();

    QTemporaryDir m_dir;
    QString m_binaries;
    QStringList m_dsns; // odbc.ini sections
    QString m_error;
    bool m_asPostgresUser = false;
    bool m_running = false;
};
