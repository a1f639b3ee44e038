#pragma once

#include <array>
#include <vector>

#include <QString>

class cDBAccess;
class Recordset;

// The questions a candidate last got wrong: what "Only questions I answered wrong before" draws
// from.
struct Mistakes {
    // QIDs in ascending order, by the index of their category in ExamSchema::categories().
    std::array<std::vector<int>, 6> byCategory;

    int total() const;
    bool isEmpty() const { return total() == 0; }

    // From answer rows in the order given (ExamID, QID, Answer, CorrectAnswer, Category): a
    // question counts when the last row that holds it was answered wrong or not at all.
    static Mistakes fromAnswers(const Recordset &answers);
    // The latest answer by exactly this name (latest by ExamID, scored exams only) was wrong or
    // missing; read through `db`, an opened access object.
    static Mistakes of(cDBAccess &db, const QString &userName);
};
