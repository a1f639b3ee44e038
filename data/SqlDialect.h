#pragma once

#include <QString>

struct sqlite3;

// The data layer keeps its statements in the desktop-database dialect they were written in;
// this turns them into SQL that SQLite runs with the same meaning.
namespace SqlDialect {

// The engine a statement is translated for.
enum class Target { Sqlite, PostgreSql };

// Rewrites what SQLite lacks, leaving string literals and quoted or bracketed names untouched:
//   SELECT [DISTINCT|ALL] TOP n ...  ->  SELECT ... LIMIT n  (a UNION arm becomes a subquery)
//   a \ b (integer division)         ->  vesk_intdiv((a), (b))
//   @@IDENTITY                       ->  last_insert_rowid()
// Format(expr, 'pattern') is kept as written; registerFunctions() supplies it.
QString translate(const QString &sql, Target target = Target::Sqlite);

// Adds the functions translated statements call: format(text, pattern), vesk_intdiv(a, b) and
// upper(text) with Unicode's case mapping in place of SQLite's ASCII-only one.
// Call once on each connection, after keying it.
void registerFunctions(sqlite3 *db);

} // namespace SqlDialect
