#pragma once

#include <vector>

#include <QDateTime>
#include <QStringList>

#include "data/Breakdown.h"
#include "data/ProgressChart.h"

class cDBAccess;

// A candidate's scored exams in the order taken, and the chart of them.
namespace ProgressData {
struct Exam {
    qint32 examId = 0;
    QDateTime taken;
    int questions = 0; // as stored with the exam
    int correct = 0; // its score
    bool practice = false;
    std::vector<CategoryScore> categories; // from its answers, in the pool's order
};

// The names stored, each once, in case-blind order, with `first` (the reviewed exam's
// candidate) ahead of the others when it is stored.
QStringList candidates(cDBAccess &db, const QString &first);
QStringList orderCandidates(QStringList names, const QString &first);

// The scored exams of exactly this name, by ExamID.
std::vector<Exam> examsOf(cDBAccess &db, const QString &userName);

// The lines to draw: every exam's percentage in one sequence, full exams and practice exams as
// lines of their own, the pass mark across, and one line per category of the full exams (a
// drill of weak questions is not form).
ProgressChart chart(const QString &candidate, const std::vector<Exam> &exams, int passMark);
} // namespace ProgressData
