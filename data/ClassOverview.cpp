#include "data/ClassOverview.h"

#include "data/Database.h"
#include "data/ExamSchema.h"
#include "data/ServerRules.h"

namespace {
bool run(Database &db, const QString &sql, Database::Result *result, QString *error)
{
    DbError failure;
    if (db.query(sql, result, &failure))
        return true;
    *error = failure.description;
    return false;
}
} // namespace

std::optional<bool> ClassOverview::Candidate::latestPassed(int passMark) const
{
    if (!latest)
        return std::nullopt;
    return latest->passes(passMark);
}

bool ClassOverview::read(Database &db, int recent, std::vector<Candidate> *rows, QString *error)
{
    rows->clear();
    Database::Result scored;
    if (!run(db, ServerRules::scoreOverdue(), &scored, error))
        return false;
    Database::Result result;
    if (!run(db, ServerRules::classOverview(recent), &result, error))
        return false;
    const QStringList pool = ExamSchema::categories();
    // One row a candidate and category, the candidates in order, each one's categories together.
    for (const std::vector<QVariant> &values : result.rows) {
        const QString name = values.at(0).toString();
        if (rows->empty() || rows->back().name != name) {
            Candidate candidate;
            candidate.name = name;
            candidate.exams = values.at(1).toInt();
            if (!values.at(2).isNull())
                candidate.latest = CategoryScore{QString(), values.at(3).toInt(), values.at(2).toInt()};
            for (const QString &category : pool)
                candidate.categories.push_back(CategoryScore{category, 0, 0});
            rows->push_back(std::move(candidate));
        }
        const qsizetype index = pool.indexOf(values.at(4).toString());
        if (index < 0)
            continue;
        CategoryScore &cell = rows->back().categories[size_t(index)];
        cell.questions = values.at(5).toInt();
        cell.correct = values.at(6).toInt();
    }
    return true;
}

bool ClassOverview::readRunning(Database &db, std::vector<Running> *rows, QString *error)
{
    rows->clear();
    Database::Result result;
    if (!run(db, ServerRules::classLive(), &result, error))
        return false;
    for (const std::vector<QVariant> &values : result.rows) {
        Running exam;
        exam.candidate = values.at(0).toString();
        exam.examId = values.at(1).toInt();
        exam.questions = values.at(2).toInt();
        exam.answered = values.at(3).toInt();
        exam.secondsLeft = values.at(4).toInt();
        if (!values.at(5).isNull())
            exam.heartbeatAge = values.at(5).toInt();
        exam.practice = values.at(6).toInt() != 0 || values.at(6).toString() == QLatin1String("true");
        rows->push_back(std::move(exam));
    }
    return true;
}

bool ClassOverview::endExamOf(Database &db, const QString &candidate, int *ended, QString *error)
{
    Database::Result result;
    if (!run(db, ServerRules::endExamOf(candidate), &result, error))
        return false;
    *ended = result.rows.empty() ? 0 : result.rows.front().front().toInt();
    return true;
}

QString ClassOverview::percent(const CategoryScore &score)
{
    if (score.questions <= 0)
        return QString();
    // Tenths of a percent, rounded half up: (2 * 1000 * correct + questions) / (2 * questions).
    const qint64 tenths = (2000LL * score.correct + score.questions) / (2LL * score.questions);
    return QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10);
}
