#include "data/Mistakes.h"

#include <algorithm>
#include <map>

#include "data/Breakdown.h"
#include "data/ExamQueries.h"
#include "data/ExamSchema.h"
#include "data/Recordset.h"
#include "data/cDBAccess.h"

int Mistakes::total() const
{
    int sum = 0;
    for (const auto &qids : byCategory)
        sum += int(qids.size());
    return sum;
}

Mistakes Mistakes::fromAnswers(const Recordset &answers)
{
    const int qidField = answers.fieldIndex(QStringLiteral("QID"));
    const int answerField = answers.fieldIndex(QStringLiteral("Answer"));
    const int correctField = answers.fieldIndex(QStringLiteral("CorrectAnswer"));
    const int categoryField = answers.fieldIndex(QStringLiteral("Category"));
    // A later row of the same question replaces an earlier one.
    std::map<int, std::pair<bool, QString>> latest;
    for (int row = 0; row < answers.RecordCount(); ++row) {
        latest[answers.value(row, qidField).toInt()]
            = {Breakdown::isCorrect(answers.value(row, answerField), answers.value(row, correctField)),
                answers.value(row, categoryField).toString()};
    }
    const QStringList categories = ExamSchema::categories();
    Mistakes result;
    for (const auto &[qid, outcome] : latest) {
        const int category = int(categories.indexOf(outcome.second));
        if (!outcome.first && category >= 0)
            result.byCategory[size_t(category)].push_back(qid);
    }
    return result;
}

Mistakes Mistakes::of(cDBAccess &db, const QString &userName)
{
    const std::shared_ptr<Recordset> answers = db.GetRS(ExamQueries::scoredAnswersOf(userName));
    return answers ? fromAnswers(*answers) : Mistakes();
}
