#include "data/ExamSchema.h"

QStringList ExamSchema::categories()
{
    return {QStringLiteral("Software Testing"), QStringLiteral("Programming Basic"),
            QStringLiteral("Database Basic"),   QStringLiteral("Internet Technology"),
            QStringLiteral("Quality Assurance"), QStringLiteral("Networking Basic")};
}

QStringList ExamSchema::createStatements()
{
    return QStringList{
        // AUTOINCREMENT: a deleted exam's key is never handed out again.
        QStringLiteral("CREATE TABLE Q_A (QID INTEGER PRIMARY KEY, Question TEXT NOT NULL, A TEXT, B TEXT, "
                       "C TEXT, D TEXT, CorrectAnswer TEXT, Category TEXT, Description TEXT)"),
        QStringLiteral("CREATE TABLE ExamTitle (ExamID INTEGER PRIMARY KEY AUTOINCREMENT, UserName TEXT, "
                       "ExamDate TEXT, NumOfQuestions INTEGER, ExamResult INTEGER)"),
        QStringLiteral("CREATE TABLE ExamDetails (DetailID INTEGER PRIMARY KEY AUTOINCREMENT, ExamID INTEGER, "
                       "UserName TEXT, QID INTEGER, Answer TEXT, Answered INTEGER NOT NULL DEFAULT 0)"),
        QStringLiteral("CREATE INDEX Q_A_Category ON Q_A (Category, QID)"),
        // On the exam alone, so that an exam's questions come back in the order they were drawn.
        QStringLiteral("CREATE INDEX ExamDetails_ExamID ON ExamDetails (ExamID)"),
        QStringLiteral("CREATE INDEX ExamTitle_ExamDate ON ExamTitle (ExamDate, UserName)"),
    } + sideTableStatements();
}

QStringList ExamSchema::sideTableStatements()
{
    return {
        // A running exam's remaining time (seconds) and heartbeat: the moment (seconds since the
        // epoch) and the token of the program run that last showed it alive.
        QStringLiteral("CREATE TABLE IF NOT EXISTS ExamProgress (ExamID INTEGER PRIMARY KEY, TimeLeft INTEGER NOT NULL, "
                       "Heartbeat INTEGER NOT NULL, Token TEXT NOT NULL)"),
        // A question of an exam marked for review; DetailIDs never change.
        QStringLiteral("CREATE TABLE IF NOT EXISTS ExamFlags (DetailID INTEGER PRIMARY KEY)"),
        // Every question's stable id, and whether it came with the program or from an imported bank.
        QStringLiteral("CREATE TABLE IF NOT EXISTS QuestionKeys (QID INTEGER PRIMARY KEY, StableID TEXT NOT NULL UNIQUE, "
                       "Origin TEXT NOT NULL)"),
        // An exam drawn from the candidate's earlier mistakes: scored and listed as any other,
        // kept apart in the progress chart.
        QStringLiteral("CREATE TABLE IF NOT EXISTS PracticeExams (ExamID INTEGER PRIMARY KEY)"),
        // One candidate's exams in the order taken: the progress chart and the practice draw.
        QStringLiteral("CREATE INDEX IF NOT EXISTS ExamTitle_UserName ON ExamTitle (UserName, ExamID)"),
    };
}
