#pragma once

#include <QStringList>

#include "data/SqlDialect.h"

class Database;

// The exam database: the question pool and the stored exams.
namespace ExamSchema {
// The six category captions, in the order their questions are numbered.
QStringList categories();
// Statements that create the tables and the indexes every query of the program relies on.
QStringList createStatements(SqlDialect::Target target = SqlDialect::Target::Sqlite);
// The side tables beside the specified ones, created when absent (a database of the first version
// gains them on its first open that can write): running exams' progress, question flags, the
// practice exams, the index of each candidate's exams and, on a server, the results list's.
QStringList sideTableStatements(SqlDialect::Target target = SqlDialect::Target::Sqlite);
// Q_A's fifth and sixth choices, which a database of the first version lacks: "E", "F".
QStringList choiceColumns();
// Whether Q_A has them. A first-version file that cannot be written never gains them, and what
// reads the questions asks here rather than fail on a missing column.
bool hasChoiceColumns(Database &db);
// Q_A's mark of a question taken out of every draw (0 or 1), which stored exams still show:
// "Retired". A first-version file that cannot be written lacks it, and draws everything.
QString retiredColumn();
bool hasRetiredColumn(Database &db);
// Adds to Q_A the choice columns and the retired mark it lacks (both engines; on a server only its
// owner may): where a file of the first version is opened for writing, and before the pool is
// written. False with `error` when they cannot be added.
bool addChoiceColumns(Database &db, QString *error);
// The same for a class's server as statements that may run again (ADD COLUMN IF NOT EXISTS), on
// the table Q_A wherever it is kept.
QStringList serverUpgradeStatements();
// The tables the schema creates, in its spelling.
QStringList tableNames();
// What the server needs to run the program's statements as translated (SqlDialect): the integer
// division and date reading functions and the catalogue view standing in for sqlite_master.
QStringList serverSupportStatements();
// The group roles of a class; what each may do is the server's own rules' (ServerRules).
inline constexpr char kCandidateRole[] = "vesk_candidate";
inline constexpr char kTrainerRole[] = "vesk_trainer";
// A table or column name of the schema in its spelling here ("examid" -> "ExamID"); any other
// name unchanged. A server gives unquoted names back in lower case.
QString spelling(const QString &name);
} // namespace ExamSchema
