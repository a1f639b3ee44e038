// The SQLite (SQLCipher) functions the program calls, each handing on to the library loaded at the
// first call (LazyLibrary). Each function is looked up once.
#include <sqlcipher/sqlite3.h>

#include "data/LazyLibrary.h"

namespace {
LazyLibrary &sqlcipher()
{
    static LazyLibrary *const library = new LazyLibrary("sqlcipher", 0);
    return *library;
}
} // namespace

#define VESK_SQLITE(name)                                                                                              \
    ([] {                                                                                                              \
        static const auto function = sqlcipher().resolve<decltype(&::name)>(#name);                                    \
        return function;                                                                                               \
    }())

extern "C" {
int sqlite3_bind_blob(sqlite3_stmt *a0, int a1, const void *a2, int a3, void (*a4)(void *))
{
    return VESK_SQLITE(sqlite3_bind_blob)(a0, a1, a2, a3, a4);
}
int sqlite3_bind_double(sqlite3_stmt *a0, int a1, double a2)
{
    return VESK_SQLITE(sqlite3_bind_double)(a0, a1, a2);
}
int sqlite3_bind_int64(sqlite3_stmt *a0, int a1, sqlite3_int64 a2)
{
    return VESK_SQLITE(sqlite3_bind_int64)(a0, a1, a2);
}
int sqlite3_bind_null(sqlite3_stmt *a0, int a1)
{
    return VESK_SQLITE(sqlite3_bind_null)(a0, a1);
}
int sqlite3_bind_text(sqlite3_stmt *a0, int a1, const char *a2, int a3, void (*a4)(void *))
{
    return VESK_SQLITE(sqlite3_bind_text)(a0, a1, a2, a3, a4);
}
int sqlite3_busy_timeout(sqlite3 *a0, int a1)
{
    return VESK_SQLITE(sqlite3_busy_timeout)(a0, a1);
}
int sqlite3_changes(sqlite3 *a0)
{
    return VESK_SQLITE(sqlite3_changes)(a0);
}
int sqlite3_close_v2(sqlite3 *a0)
{
    return VESK_SQLITE(sqlite3_close_v2)(a0);
}
const void *sqlite3_column_blob(sqlite3_stmt *a0, int a1)
{
    return VESK_SQLITE(sqlite3_column_blob)(a0, a1);
}
int sqlite3_column_bytes(sqlite3_stmt *a0, int a1)
{
    return VESK_SQLITE(sqlite3_column_bytes)(a0, a1);
}
int sqlite3_column_count(sqlite3_stmt *a0)
{
    return VESK_SQLITE(sqlite3_column_count)(a0);
}
double sqlite3_column_double(sqlite3_stmt *a0, int a1)
{
    return VESK_SQLITE(sqlite3_column_double)(a0, a1);
}
int sqlite3_column_int(sqlite3_stmt *a0, int a1)
{
    return VESK_SQLITE(sqlite3_column_int)(a0, a1);
}
sqlite3_int64 sqlite3_column_int64(sqlite3_stmt *a0, int a1)
{
    return VESK_SQLITE(sqlite3_column_int64)(a0, a1);
}
const char *sqlite3_column_name(sqlite3_stmt *a0, int a1)
{
    return VESK_SQLITE(sqlite3_column_name)(a0, a1);
}
const char *sqlite3_column_origin_name(sqlite3_stmt *a0, int a1)
{
    return VESK_SQLITE(sqlite3_column_origin_name)(a0, a1);
}
const char *sqlite3_column_table_name(sqlite3_stmt *a0, int a1)
{
    return VESK_SQLITE(sqlite3_column_table_name)(a0, a1);
}
const unsigned char *sqlite3_column_text(sqlite3_stmt *a0, int a1)
{
    return VESK_SQLITE(sqlite3_column_text)(a0, a1);
}
int sqlite3_column_type(sqlite3_stmt *a0, int a1)
{
    return VESK_SQLITE(sqlite3_column_type)(a0, a1);
}
int sqlite3_create_function(sqlite3 *a0, const char *a1, int a2, int a3, void *a4,
    void (*a5)(sqlite3_context *, int, sqlite3_value **), void (*a6)(sqlite3_context *, int, sqlite3_value **),
    void (*a7)(sqlite3_context *))
{
    return VESK_SQLITE(sqlite3_create_function)(a0, a1, a2, a3, a4, a5, a6, a7);
}
int sqlite3_db_readonly(sqlite3 *a0, const char *a1)
{
    return VESK_SQLITE(sqlite3_db_readonly)(a0, a1);
}
int sqlite3_errcode(sqlite3 *a0)
{
    return VESK_SQLITE(sqlite3_errcode)(a0);
}
const char *sqlite3_errmsg(sqlite3 *a0)
{
    return VESK_SQLITE(sqlite3_errmsg)(a0);
}
int sqlite3_exec(sqlite3 *a0, const char *a1, int (*a2)(void *, int, char **, char **), void *a3, char **a4)
{
    return VESK_SQLITE(sqlite3_exec)(a0, a1, a2, a3, a4);
}
int sqlite3_finalize(sqlite3_stmt *a0)
{
    return VESK_SQLITE(sqlite3_finalize)(a0);
}
void sqlite3_free(void *a0)
{
    VESK_SQLITE(sqlite3_free)(a0);
}
int sqlite3_get_autocommit(sqlite3 *a0)
{
    return VESK_SQLITE(sqlite3_get_autocommit)(a0);
}
sqlite3_int64 sqlite3_last_insert_rowid(sqlite3 *a0)
{
    return VESK_SQLITE(sqlite3_last_insert_rowid)(a0);
}
int sqlite3_open_v2(const char *a0, sqlite3 **a1, int a2, const char *a3)
{
    return VESK_SQLITE(sqlite3_open_v2)(a0, a1, a2, a3);
}
int sqlite3_prepare_v2(sqlite3 *a0, const char *a1, int a2, sqlite3_stmt **a3, const char **a4)
{
    return VESK_SQLITE(sqlite3_prepare_v2)(a0, a1, a2, a3, a4);
}
int sqlite3_reset(sqlite3_stmt *a0)
{
    return VESK_SQLITE(sqlite3_reset)(a0);
}
void sqlite3_result_error(sqlite3_context *a0, const char *a1, int a2)
{
    VESK_SQLITE(sqlite3_result_error)(a0, a1, a2);
}
void sqlite3_result_int64(sqlite3_context *a0, sqlite3_int64 a1)
{
    VESK_SQLITE(sqlite3_result_int64)(a0, a1);
}
void sqlite3_result_null(sqlite3_context *a0)
{
    VESK_SQLITE(sqlite3_result_null)(a0);
}
void sqlite3_result_text(sqlite3_context *a0, const char *a1, int a2, void (*a3)(void *))
{
    VESK_SQLITE(sqlite3_result_text)(a0, a1, a2, a3);
}
int sqlite3_step(sqlite3_stmt *a0)
{
    return VESK_SQLITE(sqlite3_step)(a0);
}
int sqlite3_value_bytes(sqlite3_value *a0)
{
    return VESK_SQLITE(sqlite3_value_bytes)(a0);
}
double sqlite3_value_double(sqlite3_value *a0)
{
    return VESK_SQLITE(sqlite3_value_double)(a0);
}
sqlite3_int64 sqlite3_value_int64(sqlite3_value *a0)
{
    return VESK_SQLITE(sqlite3_value_int64)(a0);
}
int sqlite3_value_numeric_type(sqlite3_value *a0)
{
    return VESK_SQLITE(sqlite3_value_numeric_type)(a0);
}
const unsigned char *sqlite3_value_text(sqlite3_value *a0)
{
    return VESK_SQLITE(sqlite3_value_text)(a0);
}
int sqlite3_value_type(sqlite3_value *a0)
{
    return VESK_SQLITE(sqlite3_value_type)(a0);
}
} // extern "C"
