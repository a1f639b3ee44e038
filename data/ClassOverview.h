#pragma once

#include <optional>
#include <vector>

#include <QString>

#include "data/Breakdown.h"

class Database;

// The class on its server, for trainers: each candidate's share right in every category over their
// latest scored exams that are not practice exams, how many such exams they have and whether the
// latest passed; and the exams running now. The server adds it all up (vesk_class_overview,
// vesk_class_live), so that a row a candidate comes back, not a row an answer.
class ClassOverview final {
public:
    static constexpr int kDefaultRecent = 5;
    static constexpr int kMostRecent = 100;

    struct Candidate {
        QString name;
        int exams = 0; // scored, not practice
        std::optional<CategoryScore> latest; // the latest such exam's score of its size
        std::vector<CategoryScore> categories; // the six, in the pool's order

        // Whether the latest exam passed; empty without one.
        std::optional<bool> latestPassed(int passMark) const;
    };

    struct Running {
        QString candidate;
        qint32 examId = 0;
        int questions = 0;
        int answered = 0;
        int secondsLeft = 0; // by the server's clock
        std::optional<int> heartbeatAge; // seconds since the program last showed it alive
        bool practice = false;
    };

    // Every member of the candidates' group in case-blind order, over their `recent` latest exams.
    // Exams whose time ran out are scored first, so that they count. False with `error` when the
    // server refuses (the signed-in person is no trainer) or cannot be reached.
    static bool read(Database &db, int recent, std::vector<Candidate> *rows, QString *error);
    static bool readRunning(Database &db, std::vector<Running> *rows, QString *error);
    // Ends `candidate`'s running exams as they stand; `ended` is how many.
    static bool endExamOf(Database &db, const QString &candidate, int *ended, QString *error);

    // A share as the screen and the CSV write it: a percentage with one decimal, rounded half away
    // from zero in whole numbers (2 of 3 gives "66.7"); empty when nothing was asked.
    static QString percent(const CategoryScore &score);

private:
    ClassOverview() = delete;
};
