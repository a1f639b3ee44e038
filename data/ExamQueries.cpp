#include "data/ExamQueries.h"

QString ExamQueries::examQuestions(qint32 examId, bool withDescription)
{
    return QStringLiteral("SELECT ExamTitle.ExamID, ExamTitle.UserName, ExamTitle.ExamDate, ")
           + QStringLiteral(" ExamTitle.NumOfQuestions, ExamTitle.ExamResult, ExamDetails.QID, ")
           + QStringLiteral(" ExamDetails.Answer, ExamDetails.Answered, ExamDetails.DetailID, Q_A.Question, ")
           + (withDescription ? QStringLiteral(" Q_A.A, Q_A.B, Q_A.C, Q_A.D, Q_A.CorrectAnswer, Q_A.Category, Q_A.Description ")
                              : QStringLiteral(" Q_A.A, Q_A.B, Q_A.C, Q_A.D, Q_A.CorrectAnswer, Q_A.Category "))
           + QStringLiteral(" FROM (ExamTitle INNER JOIN ExamDetails ON ExamTitle.ExamID = ExamDetails.ExamID) ")
           + QStringLiteral(" INNER JOIN Q_A ON ExamDetails.QID = Q_A.QID ")
           + QStringLiteral(" WHERE ExamTitle.ExamID = ") + QString::number(examId);
}
