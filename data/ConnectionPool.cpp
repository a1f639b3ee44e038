#include "data/ConnectionPool.h"

#include <map>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QTimeZone>

#include <odbcinst.h>
#include <sqlcipher/sqlite3.h>

#include "core/SignIn.h"
#include "data/Connection.h"
#include "data/ExamSchema.h"
#include "data/OdbcDatabase.h"
#include "data/ServerRules.h"
#include "data/SqlDialect.h"
#include "data/SqliteDatabase.h"
#include "data/SqliteHandle.h"

namespace {
struct PoolEntry {
    std::shared_ptr<SqliteDatabase> database;
    dev_t device = 0;
    ino_t inode = 0;
};

struct Credentials {
    QString user;
    QString password;
};

std::map<QString, PoolEntry> s_pool;
std::map<QString, std::shared_ptr<Database>> s_servers; // by data source, database and user
std::map<QString, Credentials> s_signedIn; // by data source: who signed in this run
int s_busyTimeout = 5000;
// The pool builder loads a whole pool in one statement batch: no statement time-out then.
bool s_poolLoad = false;

bool execute(sqlite3 *db, const char *sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

DbError fileError(const QString &path)
{
    return DbError{DbError::GenericFailure,
        QStringLiteral("Could not find or open the file '%1'.").arg(QDir::toNativeSeparators(path))};
}

bool hasExamTables(sqlite3 *db)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db,
            "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND lower(name) IN "
            "('q_a', 'examtitle', 'examdetails')",
            -1, &stmt, nullptr)
        != SQLITE_OK)
        return false;
    const bool found = sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_int(stmt, 0) == 3;
    sqlite3_finalize(stmt);
    return found;
}

std::shared_ptr<SqliteDatabase> openFresh(const QString &path, const QString &password, DbError *error)
{
    // No SQLITE_OPEN_CREATE: a missing file must fail, never appear empty.
    const SqliteHandle::Opened opened
        = SqliteHandle::openKeyed(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, password, s_busyTimeout);
    switch (opened.step) {
    case SqliteHandle::Opened::Step::Done:
        break;
    case SqliteHandle::Opened::Step::Open:
        *error = fileError(path);
        return nullptr;
    case SqliteHandle::Opened::Step::Key:
        *error = DbError{DbError::NotADatabase, opened.message};
        return nullptr;
    case SqliteHandle::Opened::Step::Read: {
        const int primary = opened.code & 0xff;
        const bool fileProblem
            = primary == SQLITE_CANTOPEN || primary == SQLITE_IOERR || primary == SQLITE_PERM || primary == SQLITE_BUSY;
        *error = DbError{fileProblem ? DbError::GenericFailure : DbError::NotADatabase, opened.message};
        return nullptr;
    }
    }
    const std::shared_ptr<SqliteHandle> &handle = opened.handle;
    sqlite3 *raw = handle->get();
    // An empty (0-byte) or schema-less file reads as a database with no tables: it is no exam
    // database either, and is left exactly as it is.
    if (!hasExamTables(raw)) {
        *error = DbError{DbError::NotADatabase,
            QStringLiteral("The file '%1' holds no exam tables.").arg(QDir::toNativeSeparators(path))};
        return nullptr;
    }
    auto database = std::make_shared<SqliteDatabase>(handle);
    // A database of an earlier version gains the side tables and the choices E and F; a read-only
    // one goes on without, and what reads its questions asks whether they are there.
    if (sqlite3_db_readonly(raw, "main") == 0) {
        for (const QString &create : ExamSchema::sideTableStatements())
            execute(raw, create.toUtf8().constData());
        QString ignored;
        ExamSchema::addChoiceColumns(*database, &ignored);
    }
    // Rollback journal with full syncs: a committed answer survives a killed process, and a
    // read-only file still opens for reading (a WAL file would not on this engine).
    execute(raw, "PRAGMA journal_mode = DELETE;");
    execute(raw, "PRAGMA synchronous = FULL;");
    // Room for a large history's pages once decrypted (32 MB): a candidate's exams are read again
    // for every chart and practice draw.
    execute(raw, "PRAGMA cache_size = -32000;");
    SqlDialect::registerFunctions(raw);
    return database;
}

// A value of an ODBC connection string: braced when it holds what would end or open one.
QString odbcValue(const QString &value)
{
    if (!value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('{')) && !value.contains(QLatin1Char('}'))
        && value == value.trimmed())
        return value;
    QString braced = value;
    braced.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + braced + QLatin1Char('}');
}

// What the data source itself holds for `key` (odbc.ini), empty when nothing.
QString dataSourceValue(const QString &dsn, const char *key)
{
    char value[512] = {};
    const int length
        = SQLGetPrivateProfileString(dsn.toUtf8().constData(), key, "", value, int(sizeof value), "odbc.ini");
    return length > 0 ? QString::fromUtf8(value, length) : QString();
}
} // namespace

QString ConnectionPool::resolveFile(const QString &path)
{
    // The descriptions join folder and file with a backslash; a doubled separator names the same file.
    QString unified = path;
    unified.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString clean = QDir::cleanPath(unified);
    const QFileInfo info(clean);
    if (info.exists())
        return info.absoluteFilePath();
    const QDir folder = info.absoluteDir();
    const QStringList entries
        = folder.entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        if (entry.compare(info.fileName(), Qt::CaseInsensitive) == 0)
            return folder.absoluteFilePath(entry);
    }
    return info.absoluteFilePath();
}

std::shared_ptr<SqliteDatabase> ConnectionPool::acquire(const QString &path, const QString &password, DbError *error)
{
    const QString file = resolveFile(path);
    struct stat st { };
    const QByteArray encoded = QFile::encodeName(file);
    const QString key = file + QLatin1Char('\n') + password;
    if (::stat(encoded.constData(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(encoded.constData(), R_OK) != 0) {
        s_pool.erase(key);
        *error = fileError(file);
        return nullptr;
    }
    const auto found = s_pool.find(key);
    if (found != s_pool.end()) {
        // A connection that found the file out of reach is replaced by a fresh one.
        if (found->second.device == st.st_dev && found->second.inode == st.st_ino && found->second.database->isUsable())
            return found->second.database;
        s_pool.erase(found);
    }
    std::shared_ptr<SqliteDatabase> database = openFresh(file, password, error);
    if (database)
        s_pool[key] = PoolEntry{database, st.st_dev, st.st_ino};
    return database;
}

QString ConnectionPool::odbcConnectionString(const QString &description, const QString &user, const QString &password)
{
    QStringList items;
    for (const auto &[key, value] : Connection::descriptionItems(description)) {
        const QString name = key.toLower();
        if (name == QLatin1String("provider"))
            continue;
        if (value.isEmpty()
            && (name == QLatin1String("uid") || name == QLatin1String("pwd") || name == QLatin1String("database")))
            continue;
        items << key + QLatin1Char('=') + odbcValue(value);
    }
    if (!user.isEmpty())
        items << QStringLiteral("UID=") + odbcValue(user) << QStringLiteral("PWD=") + odbcValue(password);
    // The transactions are the data layer's own (no savepoint of the driver's before every
    // statement), and a comparison reads back as a number, as on the file.
    items << QStringLiteral("Protocol=7.4-0") << QStringLiteral("BoolsAsChar=0");
    // A server machine that drops off the network fails the statement in half a minute instead of
    // leaving the candidate's screen waiting for the system's TCP time-out.
    items << QStringLiteral(
        "pqopt={keepalives_idle=10 keepalives_interval=5 keepalives_count=3 tcp_user_timeout=30000}");
    return items.join(QLatin1Char(';')) + QLatin1Char(';');
}

namespace {
// What every server session of the program starts with: a lock or a statement that waits too long
// fails instead of freezing the screen; dates and the clock read in the person's own time zone.
QStringList serverSessionSettings(bool poolLoad)
{
    QStringList settings = ServerRules::sessionSettings(poolLoad);
    const QByteArray zone = QTimeZone::systemTimeZoneId();
    if (!zone.isEmpty() && zone != "UTC" && QTimeZone(zone).isValid())
        settings << QStringLiteral("SET TimeZone = '%1'").arg(QString::fromLatin1(zone).remove(QLatin1Char('\'')));
    return settings;
}

std::shared_ptr<Database> openServerSession(
    const QString &connectionString, const QStringList &settings, DbError *error)
{
    std::shared_ptr<Database> server = OdbcDatabase::connect(connectionString, error);
    if (!server || !server->begin(error))
        return nullptr;
    for (const QString &setting : settings) {
        DbError ignored;
        // A zone the server does not know leaves the server's own.
        if (!server->executeAside(setting, &ignored) && !setting.startsWith(QLatin1String("SET TimeZone"))) {
            *error = ignored;
            server->rollback();
            return nullptr;
        }
    }
    if (!server->commit(error))
        return nullptr;
    return server;
}

bool sourceHasUser(const QString &dsn)
{
    return !dataSourceValue(dsn, "Username").isEmpty() || !dataSourceValue(dsn, "UID").isEmpty();
}
} // namespace

std::shared_ptr<Database> ConnectionPool::acquireServer(const QString &description, DbError *error)
{
    const QString dsn = Connection::descriptionItem(description, QStringLiteral("dsn"));
    const QString database = Connection::descriptionItem(description, QStringLiteral("database"));
    Credentials credentials{Connection::descriptionItem(description, QStringLiteral("uid")),
        Connection::descriptionItem(description, QStringLiteral("pwd"))};
    // The data source's own user signs in as it stands; without one, the person signs in, once a run.
    if (credentials.user.isEmpty() && !sourceHasUser(dsn)) {
        const auto signedIn = s_signedIn.find(dsn);
        if (signedIn != s_signedIn.end()) {
            credentials = signedIn->second;
        } else {
            const std::optional<SignIn::Credentials> asked = SignIn::ask(dsn);
            if (!asked) {
                *error = DbError{
                    DbError::ConnectFailed, QStringLiteral("Nobody signed in to the data source '%1'.").arg(dsn)};
                return nullptr;
            }
            credentials = Credentials{asked->user, asked->password};
        }
    }
    const QString key = dsn + QLatin1Char('\n') + database + QLatin1Char('\n') + credentials.user;
    const auto found = s_servers.find(key);
    if (found != s_servers.end()) {
        if (found->second->isUsable())
            return found->second;
        s_servers.erase(found);
    }
    std::shared_ptr<Database> server
        = openServerSession(odbcConnectionString(description, credentials.user, credentials.password),
            serverSessionSettings(s_poolLoad), error);
    if (!server)
        return nullptr;
    s_servers[key] = server;
    if (!credentials.user.isEmpty())
        s_signedIn[dsn] = credentials;
    return server;
}

std::function<std::shared_ptr<Database>(DbError *)> ConnectionPool::separateServer(const QString &description)
{
    const QString dsn = Connection::descriptionItem(description, QStringLiteral("dsn"));
    Credentials credentials{Connection::descriptionItem(description, QStringLiteral("uid")),
        Connection::descriptionItem(description, QStringLiteral("pwd"))};
    if (credentials.user.isEmpty() && !sourceHasUser(dsn)) {
        const auto signedIn = s_signedIn.find(dsn);
        if (signedIn != s_signedIn.end())
            credentials = signedIn->second;
    }
    const QString connectionString = odbcConnectionString(description, credentials.user, credentials.password);
    const QStringList settings = serverSessionSettings(s_poolLoad);
    return
        [connectionString, settings](DbError *error) { return openServerSession(connectionString, settings, error); };
}

void ConnectionPool::clear()
{
    s_pool.clear();
    s_servers.clear();
    s_signedIn.clear();
}

void ConnectionPool::setBusyTimeout(int msec)
{
    s_busyTimeout = msec;
    for (auto &entry : s_pool)
        sqlite3_busy_timeout(entry.second.database->get(), msec);
}

int ConnectionPool::busyTimeout()
{
    return s_busyTimeout;
}

void ConnectionPool::setPoolLoad(bool on)
{
    s_poolLoad = on;
}
