#include "PgServer.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace {
// The newest installed server's programs (Debian keeps them out of PATH).
QString serverBinaries()
{
    const QDir root(u"/usr/lib/postgresql"_s);
    for (const QString &version : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed)) {
        const QString bin = root.filePath(version + u"/bin"_s);
        if (QFile::exists(bin + u"/pg_ctl"_s))
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

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}
} // namespace

PgServer::PgServer()
    : m_dir(QDir::tempPath() + u"/vesk-pg-XXXXXX"_s)
    , m_binaries(serverBinaries())
    , m_asPostgresUser(::geteuid() == 0)
{
    m_dir.setAutoRemove(!qEnvironmentVariableIsSet("VESK_PG_KEEP"));
    if (!m_dir.isValid() || m_binaries.isEmpty() || driverLibrary().isEmpty()) {
        m_error = u"PostgreSQL or its ODBC driver is not installed (scripts/install-deps.sh installs them)"_s;
        return;
    }
    // The server's user must reach its folders; nothing else is secret here.
    QFile::setPermissions(m_dir.path(),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
            | QFile::ExeOther);
    const QString data = m_dir.filePath(u"data"_s);
    QDir().mkpath(data);
    QDir().mkpath(socketFolder());
    const QString passwordFile = m_dir.filePath(u"pw"_s);
    writeFile(passwordFile, kSuperPassword);
    writeFile(m_dir.filePath(u"server.log"_s), QByteArray());
    if (m_asPostgresUser)
        run(u"chown"_s, {u"postgres"_s, data, socketFolder(), passwordFile, m_dir.filePath(u"server.log"_s)});
    // Passwords are checked on the socket too: candidates sign in as themselves.
    if (!run(m_binaries + u"/initdb"_s,
            {u"-D"_s, data, u"-U"_s, QString::fromLatin1(kSuperuser), u"--pwfile="_s + passwordFile,
                u"--auth=scram-sha-256"_s, u"--encoding=UTF8"_s, u"--locale=C"_s, u"--no-sync"_s}))
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

bool PgServer::run(
    const QString &program, const QStringList &arguments, QString *output, const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    const bool asServerUser = m_asPostgresUser && program.startsWith(m_binaries);
    if (asServerUser) {
        process.setProgram(u"runuser"_s);
        process.setArguments(QStringList{u"-u"_s, u"postgres"_s, u"--"_s, program} + arguments);
    } else {
        process.setProgram(program);
        process.setArguments(arguments);
    }
    process.setWorkingDirectory(m_dir.path());
    process.start();
    if (!process.waitForStarted(10000) || !process.waitForFinished(120000)) {
        m_error = u"%1 did not run: %2"_s.arg(program, process.errorString());
        process.kill();
        process.waitForFinished();
        return false;
    }
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    if (output)
        *output = out;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        m_error = u"%1 failed: %2%3"_s.arg(program, QString::fromUtf8(process.readAllStandardError()), out);
        return false;
    }
    return true;
}

bool PgServer::start()
{
    // VESK_PG_OPTIONS adds server settings to a run (log_statement=all, say); VESK_PG_KEEP keeps the folder.
    const QString options = u"-k %1 -c listen_addresses='' -c max_connections=120 %2"_s.arg(
        socketFolder(), qEnvironmentVariable("VESK_PG_OPTIONS"));
    m_running = run(m_binaries + u"/pg_ctl"_s,
        {u"-D"_s, m_dir.filePath(u"data"_s), u"-o"_s, options, u"-l"_s, m_dir.filePath(u"server.log"_s), u"-w"_s,
            u"-t"_s, u"60"_s, u"start"_s});
    return m_running;
}

bool PgServer::stop()
{
    const bool stopped = run(m_binaries + u"/pg_ctl"_s,
        {u"-D"_s, m_dir.filePath(u"data"_s), u"-m"_s, u"fast"_s, u"-w"_s, u"-t"_s, u"60"_s, u"stop"_s});
    m_running = !stopped;
    return stopped;
}

bool PgServer::psql(
    const QString &sql, QString *output, const QString &database, const QString &user, const QString &password)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"PGPASSWORD"_s, password);
    environment.insert(u"PGCONNECT_TIMEOUT"_s, u"10"_s);
    return run(m_binaries + u"/psql"_s,
        {u"-X"_s, u"-q"_s, u"-A"_s, u"-t"_s, u"-v"_s, u"ON_ERROR_STOP=1"_s, u"-h"_s, socketFolder(), u"-U"_s, user,
            u"-d"_s, database, u"-c"_s, sql},
        output, environment);
}

QString PgServer::scalar(const QString &sql, const QString &database)
{
    QString output;
    return psql(sql, &output, database) ? output.section(u'\n', 0, 0).section(u'|', 0, 0) : QString();
}

void PgServer::addDsn(const QString &name, const QString &database, const QString &user, const QString &password)
{
    QString section = u"[%1]\nDriver=%2\nServername=%3\nDatabase=%4\n"_s.arg(
        name, QString::fromLatin1(kDriver), socketFolder(), database);
    if (!user.isEmpty())
        section += u"Username=%1\n"_s.arg(user);
    if (!password.isEmpty())
        section += u"Password=%1\n"_s.arg(password);
    m_dsns.append(section);
    writeOdbcFiles();
}

void PgServer::writeOdbcFiles()
{
    // The driver manager reads ODBCSYSINI once a process and keeps it, so every server a process
    // starts writes its set-up into one folder that lasts as long as the process.
    static QTemporaryDir odbcDir(QDir::temp().filePath(u"vesk-odbc-XXXXXX"_s));
    const QDir folder(odbcDir.path());
    writeFile(folder.filePath(u"odbcinst.ini"_s),
        u"[%1]\nDriver=%2\n"_s.arg(QString::fromLatin1(kDriver), driverLibrary()).toUtf8());
    writeFile(folder.filePath(u"odbc.ini"_s), m_dsns.join(u'\n').toUtf8());
    qputenv("ODBCSYSINI", folder.path().toUtf8());
    qputenv("ODBCINI", folder.filePath(u"odbc.ini"_s).toUtf8());
}
