#pragma once

#include <QString>

// Statements more than one screen sends.
namespace ExamQueries {
// One exam's questions: each detail row joined with its exam and its question; the review adds
// the explanation.
QString examQuestions(qint32 examId, bool withDescription);
} // namespace ExamQueries
