#pragma once

#include <array>
#include <optional>
#include <vector>

#include <QDate>
#include <QString>
#include <QStringList>

class Database;

// How each question fared in the stored exams, for trainers: how often it was attempted, how often
// it was right (facility), whether candidates who did well on the rest of their exam got it right
// more often (discrimination), and how often each letter was chosen. Only scored exams that are not
// practice exams count: a drill of one's own mistakes says little about a question. The database
// does the counting, so that a class's server sends a few rows a question, not one an answer.
class QuestionStats final {
public:
    static constexpr int kLetters = 6; // A to F
    // Fewer attempts than this say too little for a flag; an unpicked distractor needs more still.
    static constexpr int kFlagAttempts = 10;
    static constexpr int kUnpickedAttempts = 30;

    struct Filter {
        QString category; // empty: every category
        QDate from; // the first day counted; null: from the start
        QDate to; // the last day counted; null: to the end
    };

    // What one question's attempts add up to for the Pearson correlation between x, right (1) or
    // not (0), and y, the rest of that exam's score as a fraction of its other questions:
    // (ExamResult - x) / (NumOfQuestions - 1). An exam of one question has no rest and is left out.
    struct Sums {
        double n = 0;
        double x = 0;
        double y = 0;
        double xy = 0;
        double yy = 0; // x is 0 or 1, so the sum of x squared is the sum of x
        double minY = 0;
        double maxY = 0;
    };
    // Empty when either side has no variance.
    static std::optional<double> pearson(const Sums &sums);

    struct Row {
        qint64 qid = 0;
        QString questionId; // the stable id
        QString category;
        QString correct; // the key, one letter or several ("AC")
        std::array<bool, kLetters> hasLetter{}; // the question has a choice of that letter
        qint64 attempts = 0;
        qint64 right = 0;
        std::array<qint64, kLetters> picked{}; // attempts whose answer holds the letter
        qint64 blank = 0; // attempts left unanswered
        std::optional<double> discrimination;

        double facility() const;
        // Empty for a letter the question has no choice of.
        std::optional<double> share(int letter) const;
        double blankShare() const;
        bool isKey(int letter) const;
        // hard, easy, negative-discrimination and unpicked-X, in that order; none below kFlagAttempts.
        QStringList flags() const;
    };

    // Every question attempted in the exams the filter lets through, in QuestionID order. False with
    // `error` when the database cannot answer, or on a server when the signed-in person is no trainer.
    static bool compute(Database &db, const Filter &filter, std::vector<Row> *rows, QString *error);
    // Who may see the figures: everyone on a file; on a server a member of the trainer role, since
    // the shares would give candidates the key.
    static bool mayRead(Database &db);
    // The counting statement in the program's dialect, one row for each question, answer as given
    // and exam size: QID, Answer, NumOfQuestions, Attempts, and the sum, sum of squares, least and
    // greatest of those exams' scores (SumResult, SumResult2, MinResult, MaxResult). Whole numbers
    // only, so that the file and the server add them up exactly alike; whether an answer is right,
    // the letters it holds and the correlation's sums follow from them. `practiceTable`: the
    // database has PracticeExams to leave out.
    static QString countStatement(const Filter &filter, bool practiceTable);
    // Half away from zero at three decimals, as the figures are shown and judged.
    static double rounded(double value);
    static QChar letter(int index) { return QChar(u'A' + index); }
};
