#pragma once

#include <QStringList>

// The exam database: the question pool and the stored exams.
namespace ExamSchema {
// The six category captions, in the order their questions are numbered.
QStringList categories();
// Statements that create the tables and the indexes every query of the program relies on.
QStringList createStatements();
} // namespace ExamSchema
