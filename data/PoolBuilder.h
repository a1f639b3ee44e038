#pragma once

#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "data/ErrorList.h"
#include "data/PoolQuestion.h"

// Builds Exam.mdb from the question-pool source: JSON arrays of questions, one object each with
// id, category, question, a to f (e and f only for five or six choices), correct and explanation
// (PoolReader reads them). Questions are numbered 1..N in the order of the category captions,
// each category one unbroken run.
class PoolBuilder final {
public:
    using Question = PoolQuestion;

    enum class Mode {
        Create, // refuses to overwrite a file that holds stored exams
        IfAbsent, // does nothing when the file exists
        ReplacePool, // keeps the stored exams and renumbers their questions
    };

    bool loadFiles(const QStringList &files);
    bool loadJson(const QByteArray &json, const QString &source);
    void addQuestion(const Question &question) { m_questions.push_back(question); }
    // Checks every question and orders the pool for numbering; false with errors() on a fault.
    // A question has two to six choices in a row (A and B always, no empty one before a filled
    // one), no two of the same text, and one right letter or several in order, each a filled choice.
    bool validate();
    bool build(const QString &outPath, Mode mode);
    // The same on a database server (classroom mode) through the ODBC data source `dsn`: creates the
    // schema when the database has none (and brings an earlier version's up to date: the choices E
    // and F, the side tables, the protection), then loads the pool with the same rules and numbering.
    // `user` and `password`, when given, sign in instead of the data source's own user.
    bool buildOnServer(
        const QString &dsn, const QString &database, const QString &user, const QString &password, Mode mode);

    const std::vector<Question> &questions() const { return m_questions; }
    // At most ErrorList::kKept errors, then a line telling how many more there were.
    QStringList errors() const { return m_errors.lines(); }
    QString message() const { return m_message; }

private:
    bool fail(const QString &error);

    std::vector<Question> m_questions;
    ErrorList m_errors;
    QString m_message;
    bool m_validated = false;
};
