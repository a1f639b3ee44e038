#include "data/Breakdown.h"

#include <algorithm>
#include <map>

#include "data/ExamQueries.h"
#include "data/ExamSchema.h"
#include "data/Recordset.h"
#include "data/cDBAccess.h"

bool Breakdown::isCorrect(const QVariant &answer, const QVariant &correctAnswer)
{
    if (answer.isNull() || correctAnswer.isNull())
        return false;
    const QString given = answer.toString();
    return !given.isEmpty() && given.toUpper() == correctAnswer.toString().toUpper();
}

Breakdown Breakdown::of(const Recordset &rows, int passMark)
{
    Breakdown result;
    result.passMark = passMark;
    result.total.category = QStringLiteral("Total");
    const int category = rows.fieldIndex(QStringLiteral("Category"));
    const int answer = rows.fieldIndex(QStringLiteral("Answer"));
    const int correct = rows.fieldIndex(QStringLiteral("CorrectAnswer"));
    std::map<QString, CategoryScore> byName;
    for (int row = 0; row < rows.RecordCount(); ++row) {
        const QVariant name = rows.value(row, category);
        const QString caption
            = name.isNull() || name.toString().isEmpty() ? QStringLiteral("(no category)") : name.toString();
        CategoryScore &line = byName[caption];
        line.category = caption;
        const bool right = isCorrect(rows.value(row, answer), rows.value(row, correct));
        ++line.questions;
        ++result.total.questions;
        line.correct += right ? 1 : 0;
        result.total.correct += right ? 1 : 0;
    }
    for (const QString &name : ExamSchema::categories()) {
        const auto found = byName.find(name);
        if (found == byName.end())
            continue;
        result.categories.push_back(found->second);
        byName.erase(found);
    }
    for (const auto &rest : byName)
        result.categories.push_back(rest.second);
    return result;
}

Breakdown Breakdown::ofExam(cDBAccess &db, qint32 examId, int passMark)
{
    const std::shared_ptr<Recordset> rows = db.GetRS(ExamQueries::examQuestions(examId, false));
    Breakdown result = rows ? of(*rows, passMark) : Breakdown();
    result.passMark = passMark;
    result.practice = isPracticeExam(db, examId);
    return result;
}

bool Breakdown::isPracticeExam(cDBAccess &db, qint32 examId)
{
    const std::shared_ptr<Recordset> table = db.GetRS(ExamQueries::tableExists(QStringLiteral("PracticeExams")));
    if (!table || table->Fields(QStringLiteral("Found")).toInt() == 0)
        return false;
    const std::shared_ptr<Recordset> marked = db.GetRS(ExamQueries::isPractice(examId));
    return marked && marked->Fields(QStringLiteral("Found")).toInt() > 0;
}
