#include "data/OdbcDatabase.h"

#include <string>

#include <sqlext.h>

#include <QHash>
#include <QRegularExpression>

#include "data/ExamSchema.h"

namespace {
std::u16string wide(const QString &text)
{
    return std::u16string(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()));
}

SQLWCHAR *wideArg(std::u16string &text)
{
    return reinterpret_cast<SQLWCHAR *>(text.data());
}

std::shared_ptr<OdbcHandle> sharedEnvironment()
{
    static std::weak_ptr<OdbcHandle> shared;
    std::shared_ptr<OdbcHandle> environment = shared.lock();
    if (!environment) {
        environment = std::make_shared<OdbcHandle>(SQLSMALLINT(SQL_HANDLE_ENV), SQLHANDLE(SQL_NULL_HANDLE));
        if (environment->isValid())
            SQLSetEnvAttr(environment->get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        shared = environment;
    }
    return environment;
}

// The program's spelling of the names a statement uses (as written in it) and of the exam
// schema's tables and columns, by their lower-case form.
class Spelling final {
public:
    explicit Spelling(const QString &sql)
    {
        static const QRegularExpression word(QStringLiteral("[A-Za-z_][A-Za-z0-9_]*"));
        for (auto it = word.globalMatch(sql); it.hasNext();) {
            const QString name = it.next().captured();
            m_names.insert(name.toLower(), name);
        }
    }
    QString of(const QString &name) const
    {
        if (const auto found = m_names.constFind(name.toLower()); found != m_names.constEnd())
            return *found;
        return ExamSchema::spelling(name);
    }

private:
    QHash<QString, QString> m_names; // the first spelling met wins
};

// Reads a long value piece by piece into `append`; false when the driver fails.
template <typename Unit, std::size_t N, typename Append>
bool readPieces(SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT cType, Unit (&buffer)[N], bool *isNull, Append append)
{
    // A text piece ends with a NUL the driver writes; a binary one fills the buffer.
    const qsizetype room = cType == SQL_C_BINARY ? qsizetype(N) : qsizetype(N) - 1;
    *isNull = false;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(stmt, column, cType, buffer, sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA)
            return true;
        if (!SQL_SUCCEEDED(rc))
            return false;
        if (indicator == SQL_NULL_DATA) {
            *isNull = true;
            return true;
        }
        append(buffer, indicator == SQL_NO_TOTAL ? room : qMin<qsizetype>(room, indicator / qsizetype(sizeof(Unit))));
        if (rc == SQL_SUCCESS)
            return true;
    }
}

QVariant readValue(SQLHSTMT stmt, SQLUSMALLINT column, SQLLEN type, bool *ok)
{
    *ok = true;
    SQLLEN indicator = 0;
    switch (type) {
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT: {
        qint64 value = 0;
        *ok = SQL_SUCCEEDED(SQLGetData(stmt, column, SQL_C_SBIGINT, &value, sizeof value, &indicator));
        return !*ok || indicator == SQL_NULL_DATA ? QVariant() : QVariant(qlonglong(value));
    }
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: {
        double value = 0;
        *ok = SQL_SUCCEEDED(SQLGetData(stmt, column, SQL_C_DOUBLE, &value, sizeof value, &indicator));
        return !*ok || indicator == SQL_NULL_DATA ? QVariant() : QVariant(value);
    }
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: {
        QByteArray bytes;
        char buffer[4096];
        bool isNull = false;
        *ok = readPieces(stmt, column, SQL_C_BINARY, buffer, &isNull,
            [&bytes](const char *piece, qsizetype size) { bytes.append(piece, size); });
        return !*ok || isNull ? QVariant() : QVariant(bytes);
    }
    default:
        break;
    }
    // Everything else as text; a decimal number as a number.
    QString text;
    SQLWCHAR buffer[1024];
    bool isNull = false;
    *ok = readPieces(stmt, column, SQL_C_WCHAR, buffer, &isNull, [&text](const SQLWCHAR *piece, qsizetype size) {
        text.append(QString::fromUtf16(reinterpret_cast<const char16_t *>(piece), size));
    });
    if (!*ok || isNull)
        return QVariant();
    if (type == SQL_NUMERIC || type == SQL_DECIMAL) {
        bool whole = false;
        const qlonglong integer = text.toLongLong(&whole);
        return whole ? QVariant(integer) : QVariant(text.toDouble());
    }
    return QVariant(text);
}

QString attribute(SQLHSTMT stmt, SQLUSMALLINT column, SQLUSMALLINT field)
{
    SQLWCHAR text[512] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLColAttributeW(stmt, column, field, text, sizeof text, &length, nullptr)))
        return QString();
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(text),
        qMin<qsizetype>(length / qsizetype(sizeof(SQLWCHAR)), qsizetype(std::size(text)) - 1));
}

// A name as the statements write it: a plain identifier folds to the server's lower case by
// itself; anything else is quoted as it is.
QString serverName(const QString &name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return plain.match(name).hasMatch() ? name.toLower() : name;
}
} // namespace

OdbcDatabase::OdbcDatabase(std::shared_ptr<OdbcHandle> environment)
    : m_environment(std::move(environment))
    , m_connection(SQL_HANDLE_DBC, m_environment->get())
{
}

OdbcDatabase::~OdbcDatabase()
{
    if (m_inTransaction)
        rollback();
}

DbError OdbcDatabase::errorOf(const OdbcHandle &handle, long fallback)
{
    const QString state = handle.sqlState();
    QString text = handle.message();
    if (text.isEmpty())
        text = QStringLiteral("The database server reported a failure without a description.");
    long number = fallback;
    if (state == QLatin1String("42501"))
        number = DbError::PermissionDenied;
    else if (state.startsWith(QLatin1String("42")))
        number = DbError::CommandError;
    else if (state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57")))
        number = DbError::GenericFailure;
    DbError error{number, text, state};
    // The session is gone (a broken link, or the server shutting down or ending it); a statement
    // time-out (57014) is not: the session still works.
    error.unreachable = state.startsWith(QLatin1String("08")) || state == QLatin1String("57P01")
        || state == QLatin1String("57P02") || state == QLatin1String("57P03");
    return error;
}

DbError OdbcDatabase::noted(const DbError &error)
{
    m_unreachable = m_unreachable || error.unreachable;
    return error;
}

std::shared_ptr<OdbcDatabase> OdbcDatabase::connect(const QString &connectionString, DbError *error)
{
    std::shared_ptr<OdbcHandle> environment = sharedEnvironment();
    if (!environment->isValid()) {
        *error = DbError{DbError::ConnectFailed, QStringLiteral("The ODBC driver manager could not be started.")};
        return nullptr;
    }
    std::shared_ptr<OdbcDatabase> db(new OdbcDatabase(std::move(environment)));
    if (!db->m_connection.isValid()) {
        *error = DbError{DbError::ConnectFailed, QStringLiteral("No ODBC connection could be made.")};
        return nullptr;
    }
    SQLSetConnectAttrW(db->m_connection.get(), SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(10), 0);
    std::u16string text = wide(connectionString);
    const SQLRETURN rc = SQLDriverConnectW(db->m_connection.get(), nullptr, wideArg(text), SQLSMALLINT(text.size()),
        nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        // Whatever the cause (no such source, no server, refused sign-in), not a file problem.
        *error = DbError{DbError::ConnectFailed, errorOf(db->m_connection).description};
        return nullptr;
    }
    db->m_connection.setConnected(true);
    SQLWCHAR user[256] = {};
    SQLSMALLINT length = 0;
    if (SQL_SUCCEEDED(SQLGetInfoW(db->m_connection.get(), SQL_USER_NAME, user, sizeof user, &length)))
        db->m_user = QString::fromUtf16(
            reinterpret_cast<const char16_t *>(user), qMin<qsizetype>(length / qsizetype(sizeof(SQLWCHAR)), 255));
    return db;
}

bool OdbcDatabase::query(const QString &sql, Result *result, DbError *error)
{
    OdbcHandle stmt(SQL_HANDLE_STMT, m_connection.get());
    std::u16string text = wide(sql);
    const SQLRETURN rc = SQLExecDirectW(stmt.get(), wideArg(text), SQLINTEGER(text.size()));
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
        *error = noted(errorOf(stmt, DbError::GenericFailure));
        noteFailure();
        return false;
    }
    SQLSMALLINT columns = 0;
    SQLNumResultCols(stmt.get(), &columns);
    result->columns.clear();
    result->rows.clear();
    const Spelling spelling(sql);
    std::vector<SQLLEN> types;
    for (SQLUSMALLINT i = 1; i <= SQLUSMALLINT(columns); ++i) {
        SQLLEN type = 0;
        SQLColAttributeW(stmt.get(), i, SQL_DESC_CONCISE_TYPE, nullptr, 0, nullptr, &type);
        types.push_back(type);
        const QString table = attribute(stmt.get(), i, SQL_DESC_BASE_TABLE_NAME);
        // Without a base table the driver gives the label as the base column: an expression.
        const QString origin = table.isEmpty() ? QString() : attribute(stmt.get(), i, SQL_DESC_BASE_COLUMN_NAME);
        result->columns.push_back(Column{spelling.of(attribute(stmt.get(), i, SQL_DESC_LABEL)),
            table.isEmpty() ? QString() : spelling.of(table), origin.isEmpty() ? QString() : spelling.of(origin)});
    }
    if (columns == 0)
        return true;
    for (;;) {
        const SQLRETURN fetched = SQLFetch(stmt.get());
        if (fetched == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(fetched)) {
            *error = noted(errorOf(stmt, DbError::GenericFailure));
            noteFailure();
            return false;
        }
        std::vector<QVariant> row;
        row.reserve(size_t(columns));
        for (SQLUSMALLINT i = 1; i <= SQLUSMALLINT(columns); ++i) {
            bool ok = true;
            row.push_back(readValue(stmt.get(), i, types[i - 1], &ok));
            if (!ok) {
                *error = noted(errorOf(stmt, DbError::GenericFailure));
                return false;
            }
        }
        result->rows.push_back(std::move(row));
    }
    return true;
}

namespace {
// Values bound to a statement's ? marks; they live as long as this does.
class BoundValues final {
public:
    // Every value goes as text of no declared type, so that the server reads it as the column it
    // meets needs (an integer, a text), as the file engine does.
    bool bind(SQLHSTMT stmt, const QVariantList &params)
    {
        m_texts.assign(size_t(params.size()), std::u16string());
        m_lengths.assign(size_t(params.size()), 0);
        for (int i = 0; i < params.size(); ++i) {
            const QVariant &value = params.at(i);
            std::u16string &text = m_texts[size_t(i)];
            SQLLEN &length = m_lengths[size_t(i)];
            if (value.isNull() || !value.isValid()) {
                length = SQL_NULL_DATA;
            } else {
                text = wide(
                    value.typeId() == QMetaType::Bool ? QString::number(value.toBool() ? -1 : 0) : value.toString());
                length = SQLLEN(text.size() * sizeof(SQLWCHAR));
            }
            const SQLULEN size = qMax<SQLULEN>(1, text.size());
            if (!SQL_SUCCEEDED(SQLBindParameter(stmt, SQLUSMALLINT(i + 1), SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_VARCHAR,
                    size, 0, text.data(), length == SQL_NULL_DATA ? 0 : length, &length)))
                return false;
        }
        return true;
    }

private:
    std::vector<std::u16string> m_texts;
    std::vector<SQLLEN> m_lengths;
};
} // namespace

bool OdbcDatabase::execute(const QString &sql, const QVariantList &params, qint64 *changes, DbError *error)
{
    OdbcHandle stmt(SQL_HANDLE_STMT, m_connection.get());
    BoundValues values;
    if (!values.bind(stmt.get(), params)) {
        *error = noted(errorOf(stmt, DbError::GenericFailure));
        return false;
    }
    std::u16string text = wide(sql);
    const SQLRETURN rc = SQLExecDirectW(stmt.get(), wideArg(text), SQLINTEGER(text.size()));
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
        *error = noted(errorOf(stmt, DbError::GenericFailure));
        noteFailure();
        return false;
    }
    if (changes) {
        SQLLEN count = 0;
        *changes = SQL_SUCCEEDED(SQLRowCount(stmt.get(), &count)) && count > 0 ? count : 0;
    }
    // Back to a savepoint, the transaction is whole again.
    if (m_aborted && sql.startsWith(QLatin1String("ROLLBACK TO SAVEPOINT "), Qt::CaseInsensitive))
        m_aborted = false;
    return true;
}

bool OdbcDatabase::executeEach(const QString &sql, const std::vector<QVariantList> &rows, DbError *error)
{
    if (rows.empty())
        return true;
    OdbcHandle stmt(SQL_HANDLE_STMT, m_connection.get());
    std::u16string text = wide(sql);
    if (!SQL_SUCCEEDED(SQLPrepareW(stmt.get(), wideArg(text), SQLINTEGER(text.size())))) {
        *error = noted(errorOf(stmt, DbError::CommandError));
        noteFailure();
        return false;
    }
    for (const QVariantList &row : rows) {
        BoundValues values;
        const bool bound = values.bind(stmt.get(), row);
        const SQLRETURN rc = bound ? SQLExecute(stmt.get()) : SQLRETURN(SQL_ERROR);
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
            *error = noted(errorOf(stmt, DbError::GenericFailure));
            noteFailure();
            return false;
        }
        SQLFreeStmt(stmt.get(), SQL_CLOSE);
        SQLFreeStmt(stmt.get(), SQL_RESET_PARAMS);
    }
    return true;
}

void OdbcDatabase::noteFailure()
{
    if (m_inTransaction)
        m_aborted = true;
}

bool OdbcDatabase::executeAside(const QString &sql, DbError *error)
{
    if (!m_inTransaction)
        return execute(sql, {}, nullptr, error);
    DbError ignored;
    if (!execute(QStringLiteral("SAVEPOINT vesk_aside"), {}, nullptr, error))
        return false;
    const bool ok = execute(sql, {}, nullptr, error);
    if (!ok)
        execute(QStringLiteral("ROLLBACK TO SAVEPOINT vesk_aside"), {}, nullptr, &ignored);
    execute(QStringLiteral("RELEASE SAVEPOINT vesk_aside"), {}, nullptr, &ignored);
    return ok;
}

bool OdbcDatabase::setAutocommit(bool on, DbError *error)
{
    const SQLRETURN rc = SQLSetConnectAttrW(m_connection.get(), SQL_ATTR_AUTOCOMMIT,
        reinterpret_cast<SQLPOINTER>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), 0);
    if (SQL_SUCCEEDED(rc))
        return true;
    if (error)
        *error = noted(errorOf(m_connection));
    return false;
}

bool OdbcDatabase::begin(DbError *error, bool forWriting)
{
    Q_UNUSED(forWriting) // the server locks rows as they are written
    if (m_inTransaction) {
        *error = DbError{DbError::GenericFailure, QStringLiteral("A transaction is already open.")};
        return false;
    }
    m_inTransaction = setAutocommit(false, error);
    m_aborted = false;
    return m_inTransaction;
}

bool OdbcDatabase::commit(DbError *error)
{
    if (m_aborted) {
        *error = DbError{DbError::GenericFailure,
            QStringLiteral("A statement of the transaction failed, so none of its changes were stored.")};
        return false; // still open: the caller rolls back
    }
    if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, m_connection.get(), SQL_COMMIT))) {
        *error = noted(errorOf(m_connection));
        return false; // still open: the caller rolls back
    }
    m_inTransaction = false;
    return setAutocommit(true, error);
}

void OdbcDatabase::rollback()
{
    if (!m_inTransaction)
        return;
    SQLEndTran(SQL_HANDLE_DBC, m_connection.get(), SQL_ROLLBACK);
    m_inTransaction = false;
    m_aborted = false;
    setAutocommit(true, nullptr);
}

QString OdbcDatabase::quoteName(const QString &name) const
{
    QString quoted = serverName(name);
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString OdbcDatabase::keyColumn(const QString &table)
{
    if (const auto known = m_keys.find(table); known != m_keys.end())
        return known->second;
    QStringList keys;
    bool looked = false;
    for (const QString &name : {table, serverName(table)}) {
        OdbcHandle stmt(SQL_HANDLE_STMT, m_connection.get());
        std::u16string text = wide(name);
        if (!SQL_SUCCEEDED(
                SQLPrimaryKeysW(stmt.get(), nullptr, 0, nullptr, 0, wideArg(text), SQLSMALLINT(text.size()))))
            continue;
        looked = true;
        while (SQL_SUCCEEDED(SQLFetch(stmt.get()))) {
            bool ok = true;
            keys << readValue(stmt.get(), 4, SQL_WVARCHAR, &ok).toString(); // COLUMN_NAME
        }
        if (!keys.isEmpty())
            break;
    }
    const QString key = keys.size() == 1 ? ExamSchema::spelling(keys.first()) : QString();
    if (looked) // a lookup that failed (the server gone a moment) is asked again next time
        m_keys[table] = key;
    return key;
}

qlonglong OdbcDatabase::lastInsertId()
{
    // Before any insert the server has no last value and fails the statement: inside a
    // transaction that failure must not spoil the rest.
    const bool guarded = m_inTransaction;
    DbError error;
    if (guarded)
        execute(QStringLiteral("SAVEPOINT vesk_identity"), {}, nullptr, &error);
    Result result;
    const bool ok = query(QStringLiteral("SELECT lastval()"), &result, &error);
    if (guarded)
        execute(ok ? QStringLiteral("RELEASE SAVEPOINT vesk_identity")
                   : QStringLiteral("ROLLBACK TO SAVEPOINT vesk_identity"),
            {}, nullptr, &error);
    return ok && !result.rows.empty() ? result.rows.front().front().toLongLong() : 0;
}

bool OdbcDatabase::isUsable()
{
    if (m_unreachable)
        return false;
    SQLUINTEGER dead = SQL_CD_FALSE;
    if (!SQL_SUCCEEDED(SQLGetConnectAttrW(m_connection.get(), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)))
        return false;
    return dead == SQL_CD_FALSE;
}

bool OdbcDatabase::hasTable(const QString &name)
{
    OdbcHandle stmt(SQL_HANDLE_STMT, m_connection.get());
    std::u16string pattern = wide(serverName(name));
    std::u16string kinds = wide(QStringLiteral("TABLE"));
    if (!SQL_SUCCEEDED(SQLTablesW(stmt.get(), nullptr, 0, nullptr, 0, wideArg(pattern), SQLSMALLINT(pattern.size()),
            wideArg(kinds), SQLSMALLINT(kinds.size()))))
        return false;
    while (SQL_SUCCEEDED(SQLFetch(stmt.get()))) {
        bool ok = true;
        if (readValue(stmt.get(), 3, SQL_WVARCHAR, &ok).toString().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}
