#pragma once

#include <vector>

#include <QString>
#include <QVariant>

class Recordset;
class cDBAccess;

// One category's line of an exam's breakdown (or the exam's total).
struct CategoryScore {
    QString category;
    int questions = 0;
    int correct = 0;

    // Integer-divided, as the results list shows a percentage (2 of 3 gives 66).
    int percent() const { return questions == 0 ? 0 : correct * 100 / questions; }
    // At exactly the pass mark a category passes (13 of 20 at 65 %); no questions, no pass.
    bool passes(int passMark) const { return questions > 0 && correct * 100 >= passMark * questions; }
};

// How an exam went, category by category: what the results screen and the report show.
struct Breakdown {
    std::vector<CategoryScore> categories; // the pool's order first, then any other by name
    CategoryScore total;
    int passMark = 65;
    bool practice = false; // drawn from the candidate's earlier mistakes

    bool isEmpty() const { return total.questions == 0; }
    bool passed() const { return total.passes(passMark); }

    // Right as the score counts it: the correct letter, in either case; unanswered is wrong.
    static bool isCorrect(const QVariant &answer, const QVariant &correctAnswer);
    // From rows holding Category, Answer and CorrectAnswer (the review's rows), all of them
    // whatever the cursor's position.
    static Breakdown of(const Recordset &rows, int passMark);
    // Reads the exam's questions and whether it is a practice exam through `db`, an opened
    // access object.
    static Breakdown ofExam(cDBAccess &db, qint32 examId, int passMark);
    // Whether the exam is a practice exam (false where the database has no such marks).
    static bool isPracticeExam(cDBAccess &db, qint32 examId);
};
