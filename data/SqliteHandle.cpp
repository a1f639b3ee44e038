#include "data/SqliteHandle.h"

#include <QFile>

#include <sqlcipher/sqlite3.h>

SqliteHandle::Opened SqliteHandle::openKeyed(const QString &path, int flags, const QString &password, int busyTimeoutMs)
{
    Opened result;
    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    auto handle = std::make_shared<SqliteHandle>(raw);
    const auto failed = [&](Opened::Step step, int code, const QString &message) {
        result.step = step;
        result.code = code;
        result.message = message;
        return result;
    };
    if (rc != SQLITE_OK)
        return failed(Opened::Step::Open, rc, handle->lastMessage());
    if (busyTimeoutMs > 0)
        sqlite3_busy_timeout(raw, busyTimeoutMs);
    QString literal = password;
    literal.replace(QLatin1Char('\''), QLatin1String("''"));
    const QByteArray key = (QLatin1String("PRAGMA key = '") + literal + QLatin1String("';")).toUtf8();
    char *message = nullptr;
    int code = sqlite3_exec(raw, key.constData(), nullptr, nullptr, &message);
    QString text = message ? QString::fromUtf8(message) : QString();
    sqlite3_free(message);
    if (code != SQLITE_OK)
        return failed(Opened::Step::Key, code, text);
    message = nullptr;
    code = sqlite3_exec(raw, "SELECT count(*) FROM sqlite_master;", nullptr, nullptr, &message);
    text = message ? QString::fromUtf8(message) : QString();
    sqlite3_free(message);
    if (code != SQLITE_OK)
        return failed(Opened::Step::Read, code, text);
    result.step = Opened::Step::Done;
    result.handle = std::move(handle);
    return result;
}

SqliteHandle::SqliteHandle(sqlite3 *db)
    : m_db(db)
{
}

SqliteHandle::~SqliteHandle()
{
    sqlite3_close_v2(m_db);
}

QString SqliteHandle::lastMessage() const
{
    return QString::fromUtf8(sqlite3_errmsg(m_db));
}

int SqliteHandle::lastCode() const
{
    return sqlite3_errcode(m_db);
}

SqliteStatement::SqliteStatement(sqlite3 *db, const QString &sql)
{
    const QByteArray text = sql.toUtf8();
    m_prepareCode = sqlite3_prepare_v2(db, text.constData(), int(text.size()), &m_stmt, nullptr);
    if (m_prepareCode != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

void SqliteStatement::bind(int index, const QVariant &value)
{
    if (value.isNull() || !value.isValid()) {
        sqlite3_bind_null(m_stmt, index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        // Yes/No fields store true as -1 and false as 0.
        sqlite3_bind_int64(m_stmt, index, value.toBool() ? -1 : 0);
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        sqlite3_bind_int64(m_stmt, index, value.toLongLong());
        break;
    case QMetaType::Double:
        sqlite3_bind_double(m_stmt, index, value.toDouble());
        break;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        sqlite3_bind_blob(m_stmt, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        break;
    }
    default: {
        const QByteArray text = value.toString().toUtf8();
        sqlite3_bind_text(m_stmt, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        break;
    }
    }
}

int SqliteStatement::step()
{
    return sqlite3_step(m_stmt);
}

int SqliteStatement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QVariant SqliteStatement::column(int index) const
{
    switch (sqlite3_column_type(m_stmt, index)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(m_stmt, index)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, index));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(
            reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, index)), sqlite3_column_bytes(m_stmt, index)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(
            static_cast<const char *>(sqlite3_column_blob(m_stmt, index)), sqlite3_column_bytes(m_stmt, index)));
    default:
        return QVariant();
    }
}
