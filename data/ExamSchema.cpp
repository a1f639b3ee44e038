#include "data/ExamSchema.h"

QStringList ExamSchema::categories()
{
    return {QStringLiteral("Software Testing"), QStringLiteral("Programming Basic"),
            QStringLiteral("Database Basic"),   QStringLiteral("Internet Technology"),
            QStringLiteral("Quality Assurance"), QStringLiteral("Networking Basic")};
}

QStringList ExamSchema::createStatements()
{
    return {
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
    };
}
