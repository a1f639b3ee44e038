#pragma once

#include <vector>

#include <QString>
#include <QStringList>

// Builds Exam.mdb from the question-pool source: JSON arrays of questions, one object each with
// category, question, a, b, c, d, correct and explanation. Questions are numbered 1..N in the
// order of the category captions, each category one unbroken run.
class PoolBuilder final
{
public:
    struct Question
    {
        QString category;
        QString question;
        QString a, b, c, d;
        QString correct;
        QString explanation;
        QString source; // file and position, for messages
    };

    enum class Mode {
        Create,      // refuses to overwrite a file that holds stored exams
        IfAbsent,    // does nothing when the file exists
        ReplacePool, // keeps the stored exams and renumbers their questions
    };

    bool loadFiles(const QStringList &files);
    bool loadJson(const QByteArray &json, const QString &source);
    void addQuestion(const Question &question) { m_questions.push_back(question); }
    // Checks every question and orders the pool for numbering; false with errors() on a fault.
    bool validate();
    bool build(const QString &outPath, Mode mode);

    const std::vector<Question> &questions() const { return m_questions; }
    const QStringList &errors() const { return m_errors; }
    QString message() const { return m_message; }

private:
    bool fail(const QString &error);

    std::vector<Question> m_questions;
    QStringList m_errors;
    QString m_message;
    bool m_validated = false;
};
