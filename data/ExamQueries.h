#pragma once

#include <QString>
#include <QStringList>

// The exam statements the program sends, in one place. Every text value goes through one quoting
// function (single quotes doubled); statements added since carry their values as bound ? marks.
namespace ExamQueries {
// One exam's questions: each detail row joined with its exam and its question; the review adds
// the explanation. `withChoicesEF` reads choices E and F too (a read-only file of the first
// version has no such columns), and Choose, the number of right letters, so that the exam screen
// knows how many boxes to offer without reading which ones are right.
QString examQuestions(qint32 examId, bool withDescription, bool withChoicesEF = false);
// The same for the exam screen on a class's server: no key, which the server keeps until scoring;
// Choose comes from the server's function, and the questions come in the order they were drawn.
QString runningExamQuestions(qint32 examId);

// The pool's questions counted by category (Category, Questions): what a draw can take.
QString questionsPerCategory();
// The whole pool, and one category's questions in QID order: the draw's ranges.
QString allQuestions();
QString questionsOfCategory(const QString &category);
// The whole pool by QID, retired questions too: the draws pick the others from it.
QString poolInOrder();
// A new exam's title row, the key it was given (read on the same connection), and one drawn
// question's row.
QString insertExam(const QString &userName, const QString &examDate, int numOfQuestions);
QString lastIdentity();
QString insertExamQuestion(qint32 examId, const QString &userName, int qid);
// An exam's questions not answered yet, one row each.
QString unansweredOf(qint32 examId);
// Scores an exam (its ExamID bound to the one ? mark) and stores the score as its ExamResult: the
// exam's question rows whose stored Answer equals the question's CorrectAnswer without regard to
// case, blanks kept, a missing answer taken as an empty one; a question without a correct answer
// counts for nobody. Every row counts, as it was drawn.
QString scoreExam();

// A running exam's progress row: made with the exam, kept alive while it runs.
QString createProgress(qint32 examId, int timeLeft, qint64 heartbeat, const QString &token);
QString updateProgress(qint32 examId, int timeLeft, qint64 heartbeat, const QString &token);
QString deleteProgress(qint32 examId);
// The newest unscored exam whose heartbeat is older than `staleBefore` (seconds since the epoch)
// or that the run `endedRun` left; only `user`'s when one is given.
QString staleExam(qint64 staleBefore, const QString &endedRun = QString(), const QString &user = QString());
// On a class's server: the signed-in candidate's newest running exam that the trainer did not end,
// when no other session of theirs is connected or its heartbeat is `staleSeconds` old by the
// server's clock, with the seconds that clock has left (TimeLeft).
QString serverOffer(qint64 staleSeconds);
// Takes a stale exam over; changes one row only while its heartbeat is still older than
// `staleBefore` or the run `endedRun` still holds it.
QString claimProgress(
    qint32 examId, qint64 heartbeat, const QString &token, qint64 staleBefore, const QString &endedRun = QString());

// The flagged questions (DetailIDs) of an exam, and marking or unmarking one.
QString flagsOfExam(qint32 examId);
QString setFlag(qint32 detailId, bool flagged);
// Whether the side table `name` exists (a read-only database of an earlier version has none).
QString tableExists(const QString &name);
// An exam's side rows, deleted in the exam's own transaction before its detail rows.
QStringList deleteSideRows(qint32 examId);

// Marking an exam as drawn from the candidate's mistakes, and asking whether one is (Found).
QString markPractice(qint32 examId);
QString isPractice(qint32 examId);
// Every candidate name stored, once each (UserName).
QString candidateNames();
// A candidate's scored exams in the order taken, the name matched exactly: ExamID, ExamDate,
// NumOfQuestions, ExamResult.
QString scoredExamsOf(const QString &userName);
// Every answer of a candidate's scored exams, in the order given: ExamID, QID, Answer,
// CorrectAnswer, Category.
QString scoredAnswersOf(const QString &userName);
// The ExamIDs of a candidate's practice exams.
QString practiceExamsOf(const QString &userName);

// The results screen.
// A page of the results list in the order it is shown, by ascending ExamID: at most `count` exams
// numbered above `afterExamId`. Columns: ExamID, Date, User Name, No of Questions, Correct Answers,
// Result (%).
QString examListPage(qint32 afterExamId, int count);
// Deleting an exam: its title, then its questions; its side rows (deleteSideRows) go first.
QStringList deleteExam(qint32 examId);
} // namespace ExamQueries
