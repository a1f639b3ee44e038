#include "PgServer.h"

#include <algorithm>

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>

namespace {
// The newest installed server's programs (Debian keeps them out of PATH).
QString serverBinaries()
{
    const QDir root(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(
        versions.begin(), versions.end(), [](const QString &a, const QString &b) { return a.toInt() > b.toInt(); });
    for (const QString &version : versions) {
        const QString bin = root.filePath(version + QStringLiteral("/bin"));
        if (QFile::exists(bin + QStringLiteral("/pg_ctl")))
            return bin;
    }
    return QString();
}

QString driverLibrary()
{
    for (const char *path : {"/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so",
             "/usr/lib/aarch64-linux-gnu/odbc/psqlodbcw.so", "/usr/lib/odbc/psqlodbcw.so"}) {
        if (QFile::exists(QString::fromLatin1(path)))
            return QString::fromLatin1(path);
    }
    return QString();
}
} // namespace

PgServer::PgServer()
    : m_dir(QDir::tempPath() + QStringLiteral("/vesk-pg-XXXXXX"))
    , m_binaries(serverBinaries())
    , m_asPostgresUser(::geteuid() == 0)
{
    m_dir.setAutoRemove(!qEnvironmentVariableIsSet("VESK_PG_KEEP"));
    if (!m_dir.isValid() || m_binaries.isEmpty() || driverLibrary().isEmpty()) {
        m_error
            = QStringLiteral("PostgreSQL or its ODBC driver is not installed (scripts/install-deps.sh installs them)");
        return;
    }
    // The server's user must reach its folders; nothing else is secret here.
    QFile::setPermissions(m_dir.path(),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
            | QFile::ExeOther);
    const QString data = m_dir.filePath(QStringLiteral("data"));
    QDir().mkpath(data);
    QDir().mkpath(socketFolder());
    const QString passwordFile = m_dir.filePath(QStringLiteral("pw"));
    {
        QFile pw(passwordFile);
        pw.open(QIODevice::WriteOnly);
        pw.write(kSuperPassword);
    }
    QFile log(m_dir.filePath(QStringLiteral("server.log")));
    log.open(QIODevice::WriteOnly);
    log.close();
    if (m_asPostgresUser) {
        for (const QString &path : {data, socketFolder(), passwordFile, log.fileName()})
            run(QStringLiteral("chown"), {QStringLiteral("postgres"), path});
    }
    // Passwords are checked on the socket too: candidates sign in as themselves.
    if (!run(m_binaries + QStringLiteral("/initdb"),
            {QStringLiteral("-D"), data, QStringLiteral("-U"), QString::fromLatin1(kSuperuser),
                QStringLiteral("--pwfile=") + passwordFile, QStringLiteral("--auth=scram-sha-256"),
                QStringLiteral("--encoding=UTF8"), QStringLiteral("--locale=C"), QStringLiteral("--no-sync")}))
        return;
    QFile::remove(passwordFile);
    writeOdbcFiles();
    start();
}

PgServer::~PgServer()
{
    if (m_running)
        stop();
}

QString PgServer::socketFolder() const
{
    return m_dir.filePath(QStringLiteral("sock"));
}

bool PgServer::run(
    const QString &program, const QStringList &arguments, QString *output, const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    const bool asServerUser = m_asPostgresUser && program.startsWith(m_binaries);
    if (asServerUser) {
        process.setProgram(QStringLiteral("runuser"));
        process.setArguments(
            QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"), program} + arguments);
    } else {
        process.setProgram(program);
        process.setArguments(arguments);
    }
    process.setWorkingDirectory(m_dir.path());
    process.start();
    if (!process.waitForStarted(10000) || !process.waitForFinished(120000)) {
        m_error = QStringLiteral("%1 did not run: %2").arg(program, process.errorString());
        process.kill();
        process.waitForFinished();
        return false;
    }
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    if (output)
        *output = out;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        m_error
            = QStringLiteral("%1 failed: %2%3").arg(program, QString::fromUtf8(process.readAllStandardError()), out);
        return false;
    }
    return true;
}

bool PgServer::start()
{
    // VESK_PG_OPTIONS adds server settings to a run (log_statement=all, say); VESK_PG_KEEP keeps the folder.
    const QString options = QStringLiteral("-k %1 -c listen_addresses='' -c max_connections=120 %2")
                                .arg(socketFolder(), qEnvironmentVariable("VESK_PG_OPTIONS"));
    m_running = run(m_binaries + QStringLiteral("/pg_ctl"),
        {QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")), QStringLiteral("-o"), options,
            QStringLiteral("-l"), m_dir.filePath(QStringLiteral("server.log")), QStringLiteral("-w"),
            QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("start")});
    return m_running;
}

bool PgServer::stop()
{
    const bool stopped = run(m_binaries + QStringLiteral("/pg_ctl"),
        {QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")), QStringLiteral("-m"), QStringLiteral("fast"),
            QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("stop")});
    m_running = !stopped;
    return stopped;
}

bool PgServer::psql(
    const QString &sql, QString *output, const QString &database, const QString &user, const QString &password)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PGPASSWORD"), password);
    environment.insert(QStringLiteral("PGCONNECT_TIMEOUT"), QStringLiteral("10"));
    return run(m_binaries + QStringLiteral("/psql"),
        {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"), QStringLiteral("-t"), QStringLiteral("-v"),
            QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), socketFolder(), QStringLiteral("-U"), user,
            QStringLiteral("-d"), database, QStringLiteral("-c"), sql},
        output, environment);
}

QString PgServer::scalar(const QString &sql, const QString &database)
{
    QString output;
    if (!psql(sql, &output, database))
        return QString();
    return output.section(QLatin1Char('\n'), 0, 0).section(QLatin1Char('|'), 0, 0);
}

void PgServer::addDsn(const QString &name, const QString &database, const QString &user, const QString &password)
{
    QString section = QStringLiteral("[%1]\nDriver=%2\nServername=%3\nDatabase=%4\n")
                          .arg(name, QString::fromLatin1(kDriver), socketFolder(), database);
    if (!user.isEmpty())
        section += QStringLiteral("Username=%1\n").arg(user);
    if (!password.isEmpty())
        section += QStringLiteral("Password=%1\n").arg(password);
    m_dsns.append(section);
    writeOdbcFiles();
}

void PgServer::writeOdbcFiles()
{
    QFile driver(m_dir.filePath(QStringLiteral("odbcinst.ini")));
    driver.open(QIODevice::WriteOnly);
    driver.write(QStringLiteral("[%1]\nDriver=%2\n").arg(QString::fromLatin1(kDriver), driverLibrary()).toUtf8());
    driver.close();
    QFile sources(m_dir.filePath(QStringLiteral("odbc.ini")));
    sources.open(QIODevice::WriteOnly);
    sources.write(m_dsns.join(QLatin1Char('\n')).toUtf8());
    sources.close();
    qputenv("ODBCSYSINI", m_dir.path().toUtf8());
    qputenv("ODBCINI", sources.fileName().toUtf8());
}
