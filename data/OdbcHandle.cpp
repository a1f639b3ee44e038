#include "data/OdbcHandle.h"

#include <sqlext.h>

#include <QStringList>

OdbcHandle::OdbcHandle(SQLSMALLINT type, SQLHANDLE parent)
    : m_type(type)
{
    if (!SQL_SUCCEEDED(SQLAllocHandle(type, parent, &m_handle)))
        m_handle = SQL_NULL_HANDLE;
}

OdbcHandle::~OdbcHandle()
{
    if (m_handle == SQL_NULL_HANDLE)
        return;
    if (m_type == SQL_HANDLE_DBC && m_connected)
        SQLDisconnect(m_handle);
    SQLFreeHandle(m_type, m_handle);
}

QString OdbcHandle::sqlState() const
{
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetDiagRecW(m_type, m_handle, 1, state, &native, nullptr, 0, &length)))
        return QString();
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(state), 5);
}

QString OdbcHandle::message() const
{
    QStringList messages;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[6] = {};
        SQLWCHAR text[1024] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(
                SQLGetDiagRecW(m_type, m_handle, record, state, &native, text, SQLSMALLINT(std::size(text)), &length)))
            break;
        QString line = QString::fromUtf16(
            reinterpret_cast<const char16_t *>(text), qMin<qsizetype>(length, qsizetype(std::size(text)) - 1));
        // The driver repeats what it was doing after the server's own words.
        line.remove(QStringLiteral(";\nError while executing the query"));
        messages << line.trimmed();
    }
    return messages.join(QLatin1Char('\n'));
}
