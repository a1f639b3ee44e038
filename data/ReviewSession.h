#pragma once

#include <functional>
#include <memory>
#include <set>
#include <vector>

#include <QString>
#include <QVariant>

#include "data/Breakdown.h"
#include "data/Database.h"

class Recordset;

// What the results screen does with the database, without a widget: the list of stored exams,
// read a page at a time in the order it is shown; the review of one exam, its flagged questions
// and the filters over its rows; and deleting an exam. Statements are ExamQueries' and go through
// the program's access object, as every screen's do.
class ReviewSession final {
public:
    // The review's filters over the reviewed exam's rows.
    enum Filter { AllQuestions = 0, WrongOnly = 1, FlaggedOnly = 2 };
    // Many times what the list shows at once; a page costs the same however many exams are stored.
    static constexpr int kPageSize = 100;

    explicit ReviewSession(int pageSize = kPageSize);
    ~ReviewSession();
    ReviewSession(const ReviewSession &) = delete;
    ReviewSession &operator=(const ReviewSession &) = delete;

    // --- The list: every stored exam by ascending number ---
    // Reads the list's first page again (gDB and gRs hold it, as the screen's statements leave
    // them); false when it could not be read (reported already, the program ends).
    bool openList();
    // Whether a page may follow the rows read so far.
    bool canFetchMore() const { return m_more; }
    // Reads the next page on a connection of its own; `adding` is told the numbers of the rows
    // about to be added. The number of rows added.
    int fetchMore(const std::function<void(int first, int last)> &adding = {});
    int listedCount() const { return int(m_listed.size()); }
    int columnCount() const { return int(m_columns.size()); }
    QString heading(int column) const;
    QVariant listValue(int row, int column) const;
    // Every second line as shown is shaded.
    static bool isShaded(int row) { return row % 2 == 1; }

    // --- The review of one exam ---
    // Reads the exam's questions with their explanations, its flags and whether it is a practice
    // exam; the filter chosen is applied. False when the questions could not be read.
    bool review(qint32 examId);
    // Forgets the reviewed exam.
    void closeReview();
    // Every row of the reviewed exam (the review statement's), and those the filter shows.
    std::shared_ptr<Recordset> examRows() const { return m_rows; }
    std::shared_ptr<Recordset> shownRows() const { return m_shown; }
    bool isFlagged(const QVariant &detailId) const;
    // The reviewed exam by category against `passMark`; empty when none is reviewed.
    Breakdown breakdown(int passMark) const;

    int filter() const { return m_filter; }
    // Which of the reviewed exam's rows (0-based, in order) `filter` shows.
    std::vector<int> rowsShownBy(int filter) const;
    // Shows the rows `filter` keeps, on the question shown before when it is one of them, else
    // on the first. The rows now shown (null while no exam is reviewed).
    std::shared_ptr<Recordset> setFilter(int filter);

    // --- Deleting ---
    // Whether the signed-in person may delete exams: everyone on a file, only a trainer on a
    // class's server (its rules refuse a candidate).
    static bool mayDelete();
    // Deletes an exam with its questions and side rows in one transaction: removed whole or not
    // at all. `failure` receives the reason it was not, empty when it was. False when nothing was
    // tried because the program is ending.
    bool deleteExam(qint32 examId, QString *failure);

private:
    void addRows(const Recordset &page);

    int m_pageSize;
    std::vector<Database::Column> m_columns;
    std::vector<std::vector<QVariant>> m_listed;
    bool m_more = false;
    std::shared_ptr<Recordset> m_rows;
    std::shared_ptr<Recordset> m_shown;
    std::set<qint32> m_flagged; // DetailIDs of the reviewed exam's flagged questions
    bool m_practice = false;
    int m_filter = AllQuestions;
};
