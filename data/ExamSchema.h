#pragma once

#include <QStringList>

// The exam database: the question pool and the stored exams.
namespace ExamSchema {
// The six category captions, in the order their questions are numbered.
QStringList categories();
// Statements that create the tables and the indexes every query of the program relies on.
QStringList createStatements();
// The side tables beside the specified ones, created when absent (a database of the first version
// gains them on its first open that can write): running exams' progress, question flags, the
// practice exams, and the index of each candidate's exams.
QStringList sideTableStatements();
} // namespace ExamSchema
