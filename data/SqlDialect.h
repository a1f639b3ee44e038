#pragma once

#include <QString>

struct sqlite3;

// The data layer keeps its statements in the desktop-database dialect they were written in;
// this turns them into SQL that each engine runs with the same meaning: SQLite for Exam.mdb,
// PostgreSQL for a class's server.
namespace SqlDialect {

// The engine a statement is translated for.
enum class Target { Sqlite, PostgreSql };

// Rewrites what the engine lacks, leaving string literals and quoted or bracketed names untouched.
// For both engines:
//   SELECT [DISTINCT|ALL] TOP n ...  ->  SELECT ... LIMIT n  (a UNION arm becomes a subquery)
//   a \ b (integer division)         ->  vesk_intdiv((a), (b))
// For SQLite:
//   @@IDENTITY                       ->  last_insert_rowid()
//   Format(expr, 'pattern')          kept as written; registerFunctions() supplies it
// For PostgreSQL:
//   @@IDENTITY                       ->  lastval()
//   Format(expr, 'pattern')          ->  to_char of the stored ISO date, with the pattern's fields
//   [name]                           ->  "name"
//   sqlite_master                    ->  the catalogue view vesk_master
//   an unnamed subquery in FROM gets a name, and ORDER BY sorts NULLs first as SQLite does
// The server's functions vesk_intdiv and vesk_master come with its schema (ExamSchema).
QString translate(const QString &sql, Target target = Target::Sqlite);

// Adds the functions translated statements call: format(text, pattern), vesk_intdiv(a, b) and
// upper(text) with Unicode's case mapping in place of SQLite's ASCII-only one.
// Call once on each connection, after keying it.
void registerFunctions(sqlite3 *db);

} // namespace SqlDialect
