#include "data/ExamQueries.h"

namespace {
QString quoted(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}
} // namespace

QString ExamQueries::examQuestions(qint32 examId, bool withDescription, bool withChoicesEF)
{
    return QStringLiteral("SELECT ExamTitle.ExamID, ExamTitle.UserName, ExamTitle.ExamDate, ")
        + QStringLiteral(" ExamTitle.NumOfQuestions, ExamTitle.ExamResult, ExamDetails.QID, ")
        + QStringLiteral(" ExamDetails.Answer, ExamDetails.Answered, ExamDetails.DetailID, Q_A.Question, ")
        + QStringLiteral(" Q_A.A, Q_A.B, Q_A.C, Q_A.D, ")
        + (withChoicesEF ? QStringLiteral(" Q_A.E, Q_A.F, ") : QString())
        + QStringLiteral(" Q_A.CorrectAnswer, Q_A.Category")
        + (withChoicesEF ? QStringLiteral(", LENGTH(Q_A.CorrectAnswer) AS Choose") : QString())
        + (withDescription ? QStringLiteral(", Q_A.Description ") : QStringLiteral(" "))
        + QStringLiteral(" FROM (ExamTitle INNER JOIN ExamDetails ON ExamTitle.ExamID = ExamDetails.ExamID) ")
        + QStringLiteral(" INNER JOIN Q_A ON ExamDetails.QID = Q_A.QID ") + QStringLiteral(" WHERE ExamTitle.ExamID = ")
        + QString::number(examId);
}

QString ExamQueries::runningExamQuestions(qint32 examId)
{
    return QStringLiteral("SELECT ExamTitle.ExamID, ExamTitle.UserName, ExamTitle.ExamDate, ")
        + QStringLiteral(" ExamTitle.NumOfQuestions, ExamTitle.ExamResult, ExamDetails.QID, ")
        + QStringLiteral(" ExamDetails.Answer, ExamDetails.Answered, ExamDetails.DetailID, Q_A.Question, ")
        + QStringLiteral(" Q_A.A, Q_A.B, Q_A.C, Q_A.D, Q_A.E, Q_A.F, Q_A.Category, vesk_choose(Q_A.QID) AS Choose ")
        + QStringLiteral(" FROM (ExamTitle INNER JOIN ExamDetails ON ExamTitle.ExamID = ExamDetails.ExamID) ")
        + QStringLiteral(" INNER JOIN Q_A ON ExamDetails.QID = Q_A.QID ") + QStringLiteral(" WHERE ExamTitle.ExamID = ")
        + QString::number(examId) + QStringLiteral(" ORDER BY ExamDetails.DetailID");
}

QString ExamQueries::questionsPerCategory()
{
    return QStringLiteral("SELECT Category, Count(*) AS Questions FROM Q_A GROUP BY Category");
}

QString ExamQueries::allQuestions()
{
    return QStringLiteral("SELECT * FROM Q_A");
}

QString ExamQueries::poolInOrder()
{
    // Every column: a database of the first version may lack the retired mark.
    return QStringLiteral("SELECT * FROM Q_A ORDER BY QID");
}

QString ExamQueries::questionsOfCategory(const QString &category)
{
    return QStringLiteral("SELECT * FROM Q_A WHERE Category = ") + quoted(category) + QStringLiteral(" ORDER BY QID ");
}

QString ExamQueries::insertExam(const QString &userName, const QString &examDate, int numOfQuestions)
{
    return QStringLiteral("INSERT INTO ExamTitle(UserName,ExamDate,NumOfQuestions)  VALUES(") + quoted(userName)
        + QStringLiteral(",  ") + quoted(examDate) + QLatin1Char(',') + quoted(QString::number(numOfQuestions))
        + QStringLiteral(") ");
}

QString ExamQueries::lastIdentity()
{
    return QStringLiteral("SELECT @@IDENTITY");
}

QString ExamQueries::insertExamQuestion(qint32 examId, const QString &userName, int qid)
{
    return QStringLiteral("INSERT INTO ExamDetails(ExamID,UserName,QID)  VALUES(") + quoted(QString::number(examId))
        + QLatin1Char(',') + quoted(userName) + QLatin1Char(',') + quoted(QString::number(qid)) + QLatin1Char(')');
}

QString ExamQueries::unansweredOf(qint32 examId)
{
    return QStringLiteral("SELECT ExamDetails.ExamID, ExamDetails.Answered  From ExamDetails  WHERE "
                          "ExamDetails.Answered =0 and ExamDetails.ExamID = ")
        + QString::number(examId);
}

QString ExamQueries::scoreExam()
{
    // Said outright, though a NULL never compares equal: a question without a correct answer
    // matches nothing, not even a missing answer.
    return QStringLiteral("UPDATE ExamTitle SET ExamResult = (SELECT count(*) FROM ExamDetails INNER JOIN Q_A ON "
                          "Q_A.QID = ExamDetails.QID WHERE ExamDetails.ExamID = ExamTitle.ExamID AND "
                          "Q_A.CorrectAnswer IS NOT NULL AND upper(Q_A.CorrectAnswer) = "
                          "upper(coalesce(ExamDetails.Answer, ''))) WHERE ExamTitle.ExamID = ?");
}

QString ExamQueries::createProgress(qint32 examId, int timeLeft, qint64 heartbeat, const QString &token)
{
    return QStringLiteral("INSERT INTO ExamProgress (ExamID, TimeLeft, Heartbeat, Token) VALUES (%1, %2, %3, %4)")
        .arg(examId)
        .arg(timeLeft)
        .arg(heartbeat)
        .arg(quoted(token));
}

QString ExamQueries::updateProgress(qint32 examId, int timeLeft, qint64 heartbeat, const QString &token)
{
    return QStringLiteral("UPDATE ExamProgress SET TimeLeft = %2, Heartbeat = %3, Token = %4 WHERE ExamID = %1")
        .arg(examId)
        .arg(timeLeft)
        .arg(heartbeat)
        .arg(quoted(token));
}

QString ExamQueries::deleteProgress(qint32 examId)
{
    return QStringLiteral("DELETE FROM ExamProgress WHERE ExamID = %1").arg(examId);
}

namespace {
QString leftBehind(qint64 staleBefore, const QString &endedRun)
{
    const QString old = QStringLiteral("ExamProgress.Heartbeat < %1").arg(staleBefore);
    return endedRun.isEmpty() ? old : QStringLiteral("(%1 OR ExamProgress.Token = %2)").arg(old, quoted(endedRun));
}
} // namespace

QString ExamQueries::staleExam(qint64 staleBefore, const QString &endedRun, const QString &user)
{
    return QStringLiteral("SELECT TOP 1 ExamTitle.ExamID, ExamTitle.UserName, ExamTitle.ExamDate, "
                          "ExamTitle.NumOfQuestions, ExamProgress.TimeLeft FROM ExamProgress INNER JOIN ExamTitle "
                          "ON ExamTitle.ExamID = ExamProgress.ExamID WHERE ExamTitle.ExamResult IS NULL AND %1%2 "
                          "ORDER BY ExamTitle.ExamID DESC")
        .arg(leftBehind(staleBefore, endedRun),
            user.isEmpty() ? QString() : QStringLiteral(" AND ExamTitle.UserName = ") + quoted(user));
}

QString ExamQueries::serverOffer(qint64 staleSeconds)
{
    return QStringLiteral(
        "SELECT t.ExamID, t.UserName, t.ExamDate, t.NumOfQuestions, greatest(0, ceil(extract(epoch FROM "
        "k.Deadline - clock_timestamp())))::integer AS TimeLeft FROM ExamTitle t INNER JOIN ExamClock k ON "
        "k.ExamID = t.ExamID LEFT JOIN ExamProgress p ON p.ExamID = t.ExamID WHERE t.UserName = session_user "
        "AND t.ExamResult IS NULL AND k.EndedBy IS NULL AND (NOT EXISTS (SELECT 1 FROM pg_stat_activity a WHERE "
        "a.usename = session_user AND a.datname = current_database() AND a.pid <> pg_backend_pid()) OR "
        "coalesce(p.Heartbeat, 0) < extract(epoch FROM now()) - %1) ORDER BY t.ExamID DESC LIMIT 1")
        .arg(staleSeconds);
}

QString ExamQueries::claimProgress(
    qint32 examId, qint64 heartbeat, const QString &token, qint64 staleBefore, const QString &endedRun)
{
    return QStringLiteral("UPDATE ExamProgress SET Heartbeat = %2, Token = %3 WHERE ExamID = %1 AND %4")
        .arg(examId)
        .arg(heartbeat)
        .arg(quoted(token), leftBehind(staleBefore, endedRun));
}

QString ExamQueries::flagsOfExam(qint32 examId)
{
    return QStringLiteral("SELECT ExamFlags.DetailID FROM ExamFlags INNER JOIN ExamDetails ON "
                          "ExamDetails.DetailID = ExamFlags.DetailID WHERE ExamDetails.ExamID = %1")
        .arg(examId);
}

QString ExamQueries::setFlag(qint32 detailId, bool flagged)
{
    return flagged ? QStringLiteral("INSERT INTO ExamFlags (DetailID) SELECT %1 WHERE NOT EXISTS "
                                    "(SELECT 1 FROM ExamFlags WHERE DetailID = %1)")
                         .arg(detailId)
                   : QStringLiteral("DELETE FROM ExamFlags WHERE DetailID = %1").arg(detailId);
}

QString ExamQueries::tableExists(const QString &name)
{
    return QStringLiteral("SELECT count(*) AS Found FROM sqlite_master WHERE type = 'table' AND name = %1")
        .arg(quoted(name));
}

QStringList ExamQueries::deleteSideRows(qint32 examId)
{
    return {QStringLiteral("DELETE FROM ExamFlags WHERE DetailID IN (SELECT DetailID FROM ExamDetails WHERE "
                           "ExamID = %1)")
                .arg(examId),
        deleteProgress(examId), QStringLiteral("DELETE FROM PracticeExams WHERE ExamID = %1").arg(examId)};
}

QString ExamQueries::markPractice(qint32 examId)
{
    return QStringLiteral("INSERT INTO PracticeExams (ExamID) VALUES (%1)").arg(examId);
}

QString ExamQueries::isPractice(qint32 examId)
{
    return QStringLiteral("SELECT count(*) AS Found FROM PracticeExams WHERE ExamID = %1").arg(examId);
}

QString ExamQueries::candidateNames()
{
    return QStringLiteral("SELECT DISTINCT ExamTitle.UserName FROM ExamTitle WHERE ExamTitle.UserName IS NOT NULL");
}

QString ExamQueries::scoredExamsOf(const QString &userName)
{
    return QStringLiteral("SELECT ExamTitle.ExamID, ExamTitle.ExamDate, ExamTitle.NumOfQuestions, ExamTitle.ExamResult "
                          "FROM ExamTitle WHERE ExamTitle.UserName = %1 AND ExamTitle.ExamResult IS NOT NULL "
                          "ORDER BY ExamTitle.ExamID")
        .arg(quoted(userName));
}

QString ExamQueries::scoredAnswersOf(const QString &userName)
{
    return QStringLiteral("SELECT ExamDetails.ExamID, ExamDetails.QID, ExamDetails.Answer, Q_A.CorrectAnswer, "
                          "Q_A.Category FROM (ExamTitle INNER JOIN ExamDetails ON ExamTitle.ExamID = "
                          "ExamDetails.ExamID) INNER JOIN Q_A ON ExamDetails.QID = Q_A.QID WHERE ExamTitle.UserName = "
                          "%1 AND ExamTitle.ExamResult IS NOT NULL ORDER BY ExamDetails.ExamID, ExamDetails.DetailID")
        .arg(quoted(userName));
}

QString ExamQueries::practiceExamsOf(const QString &userName)
{
    return QStringLiteral("SELECT PracticeExams.ExamID FROM PracticeExams INNER JOIN ExamTitle ON "
                          "ExamTitle.ExamID = PracticeExams.ExamID WHERE ExamTitle.UserName = %1")
        .arg(quoted(userName));
}

// --- The results screen -------------------------------------------------------------------

QString ExamQueries::examListPage(qint32 afterExamId, int count)
{
    // The columns as the list has always shown them; the order is the one it shows (the exam's
    // number), so that a page is a range of the key.
    return QStringLiteral("SELECT TOP ") + QString::number(count)
        + QStringLiteral(" ExamTitle.ExamID, Format(ExamTitle.ExamDate,'mm/dd/yy') AS [Date], ")
        + QStringLiteral(" ExamTitle.UserName AS [User Name], ExamTitle.NumOfQuestions AS [No of Questions], ")
        + QStringLiteral(" ExamTitle.ExamResult AS [Correct Answers], ")
        + QStringLiteral(" ExamTitle.ExamResult * 100\\ ExamTitle.NumOfQuestions AS [Result (%)]")
        + QStringLiteral(" FROM ExamTitle WHERE ExamTitle.ExamID > ") + QString::number(afterExamId)
        + QStringLiteral(" ORDER BY ExamTitle.ExamID");
}

QStringList ExamQueries::deleteExam(qint32 examId)
{
    return {QStringLiteral("DELETE FROM ExamTitle ") + QStringLiteral(" WHERE ExamID = ") + QString::number(examId),
        QStringLiteral("DELETE FROM ExamDetails ") + QStringLiteral(" WHERE ExamID = ") + QString::number(examId)};
}
