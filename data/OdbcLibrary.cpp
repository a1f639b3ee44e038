// The ODBC functions the program calls, each handing on to unixODBC's driver manager (or its
// installer library) loaded at the first call (LazyLibrary). Each function is looked up once.
#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include "data/LazyLibrary.h"

namespace {
LazyLibrary &odbc()
{
    static LazyLibrary *const library = new LazyLibrary("odbc", 2);
    return *library;
}
LazyLibrary &odbcinst()
{
    static LazyLibrary *const library = new LazyLibrary("odbcinst", 2);
    return *library;
}
} // namespace

#define VESK_ODBC(name)                                                                                                \
    ([] {                                                                                                              \
        static const auto function = odbc().resolve<decltype(&::name)>(#name);                                         \
        return function;                                                                                               \
    }())
#define VESK_ODBCINST(name)                                                                                            \
    ([] {                                                                                                              \
        static const auto function = odbcinst().resolve<decltype(&::name)>(#name);                                     \
        return function;                                                                                               \
    }())

extern "C" {
SQLRETURN SQLAllocHandle(SQLSMALLINT a0, SQLHANDLE a1, SQLHANDLE *a2)
{
    return VESK_ODBC(SQLAllocHandle)(a0, a1, a2);
}
SQLRETURN SQLBindParameter(SQLHSTMT a0, SQLUSMALLINT a1, SQLSMALLINT a2, SQLSMALLINT a3, SQLSMALLINT a4, SQLULEN a5,
    SQLSMALLINT a6, SQLPOINTER a7, SQLLEN a8, SQLLEN *a9)
{
    return VESK_ODBC(SQLBindParameter)(a0, a1, a2, a3, a4, a5, a6, a7, a8, a9);
}
SQLRETURN SQLColAttributeW(
    SQLHSTMT a0, SQLUSMALLINT a1, SQLUSMALLINT a2, SQLPOINTER a3, SQLSMALLINT a4, SQLSMALLINT *a5, SQLLEN *a6)
{
    return VESK_ODBC(SQLColAttributeW)(a0, a1, a2, a3, a4, a5, a6);
}
SQLRETURN SQLDisconnect(SQLHDBC a0)
{
    return VESK_ODBC(SQLDisconnect)(a0);
}
SQLRETURN SQLDriverConnectW(SQLHDBC a0, SQLHWND a1, SQLWCHAR *a2, SQLSMALLINT a3, SQLWCHAR *a4, SQLSMALLINT a5,
    SQLSMALLINT *a6, SQLUSMALLINT a7)
{
    return VESK_ODBC(SQLDriverConnectW)(a0, a1, a2, a3, a4, a5, a6, a7);
}
SQLRETURN SQLEndTran(SQLSMALLINT a0, SQLHANDLE a1, SQLSMALLINT a2)
{
    return VESK_ODBC(SQLEndTran)(a0, a1, a2);
}
SQLRETURN SQLExecDirectW(SQLHSTMT a0, SQLWCHAR *a1, SQLINTEGER a2)
{
    return VESK_ODBC(SQLExecDirectW)(a0, a1, a2);
}
SQLRETURN SQLExecute(SQLHSTMT a0)
{
    return VESK_ODBC(SQLExecute)(a0);
}
SQLRETURN SQLFetch(SQLHSTMT a0)
{
    return VESK_ODBC(SQLFetch)(a0);
}
SQLRETURN SQLFreeHandle(SQLSMALLINT a0, SQLHANDLE a1)
{
    return VESK_ODBC(SQLFreeHandle)(a0, a1);
}
SQLRETURN SQLFreeStmt(SQLHSTMT a0, SQLUSMALLINT a1)
{
    return VESK_ODBC(SQLFreeStmt)(a0, a1);
}
SQLRETURN SQLGetConnectAttrW(SQLHDBC a0, SQLINTEGER a1, SQLPOINTER a2, SQLINTEGER a3, SQLINTEGER *a4)
{
    return VESK_ODBC(SQLGetConnectAttrW)(a0, a1, a2, a3, a4);
}
SQLRETURN SQLGetData(SQLHSTMT a0, SQLUSMALLINT a1, SQLSMALLINT a2, SQLPOINTER a3, SQLLEN a4, SQLLEN *a5)
{
    return VESK_ODBC(SQLGetData)(a0, a1, a2, a3, a4, a5);
}
SQLRETURN SQLGetDiagRecW(SQLSMALLINT a0, SQLHANDLE a1, SQLSMALLINT a2, SQLWCHAR *a3, SQLINTEGER *a4, SQLWCHAR *a5,
    SQLSMALLINT a6, SQLSMALLINT *a7)
{
    return VESK_ODBC(SQLGetDiagRecW)(a0, a1, a2, a3, a4, a5, a6, a7);
}
SQLRETURN SQLGetInfoW(SQLHDBC a0, SQLUSMALLINT a1, SQLPOINTER a2, SQLSMALLINT a3, SQLSMALLINT *a4)
{
    return VESK_ODBC(SQLGetInfoW)(a0, a1, a2, a3, a4);
}
SQLRETURN SQLNumResultCols(SQLHSTMT a0, SQLSMALLINT *a1)
{
    return VESK_ODBC(SQLNumResultCols)(a0, a1);
}
SQLRETURN SQLPrepareW(SQLHSTMT a0, SQLWCHAR *a1, SQLINTEGER a2)
{
    return VESK_ODBC(SQLPrepareW)(a0, a1, a2);
}
SQLRETURN SQLPrimaryKeysW(
    SQLHSTMT a0, SQLWCHAR *a1, SQLSMALLINT a2, SQLWCHAR *a3, SQLSMALLINT a4, SQLWCHAR *a5, SQLSMALLINT a6)
{
    return VESK_ODBC(SQLPrimaryKeysW)(a0, a1, a2, a3, a4, a5, a6);
}
SQLRETURN SQLRowCount(SQLHSTMT a0, SQLLEN *a1)
{
    return VESK_ODBC(SQLRowCount)(a0, a1);
}
SQLRETURN SQLSetConnectAttrW(SQLHDBC a0, SQLINTEGER a1, SQLPOINTER a2, SQLINTEGER a3)
{
    return VESK_ODBC(SQLSetConnectAttrW)(a0, a1, a2, a3);
}
SQLRETURN SQLSetEnvAttr(SQLHENV a0, SQLINTEGER a1, SQLPOINTER a2, SQLINTEGER a3)
{
    return VESK_ODBC(SQLSetEnvAttr)(a0, a1, a2, a3);
}
SQLRETURN SQLTablesW(SQLHSTMT a0, SQLWCHAR *a1, SQLSMALLINT a2, SQLWCHAR *a3, SQLSMALLINT a4, SQLWCHAR *a5,
    SQLSMALLINT a6, SQLWCHAR *a7, SQLSMALLINT a8)
{
    return VESK_ODBC(SQLTablesW)(a0, a1, a2, a3, a4, a5, a6, a7, a8);
}
int SQLGetPrivateProfileString(LPCSTR a0, LPCSTR a1, LPCSTR a2, LPSTR a3, int a4, LPCSTR a5)
{
    return VESK_ODBCINST(SQLGetPrivateProfileString)(a0, a1, a2, a3, a4, a5);
}
} // extern "C"
