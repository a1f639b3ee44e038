#pragma once

#include <sql.h>

#include <QString>

// Owns one ODBC handle (environment, connection or statement) and frees it; a connection handle
// is disconnected first when it was connected.
class OdbcHandle final {
public:
    OdbcHandle() = default;
    // Allocates a handle of `type` under `parent` (SQL_NULL_HANDLE for an environment).
    OdbcHandle(SQLSMALLINT type, SQLHANDLE parent);
    ~OdbcHandle();
    Q_DISABLE_COPY_MOVE(OdbcHandle)

    bool isValid() const { return m_handle != SQL_NULL_HANDLE; }
    SQLHANDLE get() const { return m_handle; }
    SQLSMALLINT type() const { return m_type; }
    void setConnected(bool connected) { m_connected = connected; }

    // The handle's diagnostics: the first record's SQLSTATE, and every record's message.
    QString sqlState() const;
    QString message() const;

private:
    SQLSMALLINT m_type = 0;
    SQLHANDLE m_handle = SQL_NULL_HANDLE;
    bool m_connected = false;
};
