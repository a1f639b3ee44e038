#include "data/QuestionStats.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "data/Breakdown.h"
#include "data/Database.h"
#include "data/ExamSchema.h"
#include "data/PoolStore.h"
#include "data/ServerRules.h"

namespace {
QString quoted(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

// Whether Q_A has the choice columns E and F: a file of the first version has not.
bool hasFiveAndSix(Database &db, QString *error)
{
    Database::Result result;
    DbError failure;
    const bool server = db.target() == SqlDialect::Target::PostgreSql;
    const QString sql = server ? QStringLiteral("SELECT column_name FROM information_schema.columns WHERE "
                                                "table_schema = current_schema() AND table_name = 'q_a'")
                               : QStringLiteral("PRAGMA table_info(Q_A)");
    if (!db.query(sql, &result, &failure)) {
        *error = failure.description;
        return false;
    }
    int found = 0;
    for (const std::vector<QVariant> &row : result.rows) {
        const QString name = row.at(server ? 0 : 1).toString().toUpper();
        found += name == QLatin1String("E") || name == QLatin1String("F") ? 1 : 0;
    }
    return found == 2;
}

// The attempts at one question in exams of one size, in whole numbers: with x right (1) or not (0)
// and R the exam's score, y = (R - x) / (size - 1) adds up to (sum - right) / (size - 1), x y to
// (sumWhenRight - right) / (size - 1) and y squared to (sumOfSquares - 2 sumWhenRight + right) /
// (size - 1)^2.
struct Moments {
    qint64 count = 0;
    qint64 right = 0;
    qint64 sum = 0;
    qint64 sumWhenRight = 0;
    qint64 sumOfSquares = 0;
    double minY = 0;
    double maxY = 0;
    bool empty = true;
};

struct Tally {
    QuestionStats::Row row;
    std::map<qint64, Moments> bySize; // in size order, so that every engine adds up alike

    QuestionStats::Sums sums() const
    {
        QuestionStats::Sums s;
        bool first = true;
        for (const auto &[size, m] : bySize) {
            const double rest = double(size - 1);
            s.n += double(m.count);
            s.x += double(m.right);
            s.y += double(m.sum - m.right) / rest;
            s.xy += double(m.sumWhenRight - m.right) / rest;
            s.yy += double(m.sumOfSquares - 2 * m.sumWhenRight + m.right) / (rest * rest);
            s.minY = first ? m.minY : std::min(s.minY, m.minY);
            s.maxY = first ? m.maxY : std::max(s.maxY, m.maxY);
            first = false;
        }
        return s;
    }
};
} // namespace

std::optional<double> QuestionStats::pearson(const Sums &s)
{
    // Equal values compare equal exactly (a quotient of integers is rounded the same way each
    // time), so min and max tell a constant y where the sums would leave rounding noise.
    if (s.n < 2 || s.x <= 0 || s.x >= s.n || !(s.minY < s.maxY))
        return std::nullopt;
    const double varianceX = s.n * s.x - s.x * s.x;
    const double varianceY = s.n * s.yy - s.y * s.y;
    if (varianceY <= 0)
        return std::nullopt;
    const double r = (s.n * s.xy - s.x * s.y) / std::sqrt(varianceX * varianceY);
    return std::clamp(r, -1.0, 1.0);
}

double QuestionStats::rounded(double value)
{
    const double r = std::round(value * 1000) / 1000;
    return r == 0 ? 0.0 : r; // never -0
}

double QuestionStats::Row::facility() const
{
    return attempts > 0 ? double(right) / double(attempts) : 0.0;
}

std::optional<double> QuestionStats::Row::share(int letter) const
{
    if (letter < 0 || letter >= kLetters || !hasLetter[size_t(letter)] || attempts <= 0)
        return std::nullopt;
    return double(picked[size_t(letter)]) / double(attempts);
}

double QuestionStats::Row::blankShare() const
{
    return attempts > 0 ? double(blank) / double(attempts) : 0.0;
}

bool QuestionStats::Row::isKey(int letter) const
{
    return correct.contains(QuestionStats::letter(letter), Qt::CaseInsensitive);
}

QStringList QuestionStats::Row::flags() const
{
    QStringList found;
    if (attempts < kFlagAttempts)
        return found;
    // In whole numbers: under 30 % and over 90 % exactly as a person reads them.
    if (right * 100 < 30 * attempts)
        found << QStringLiteral("hard");
    if (right * 100 > 90 * attempts)
        found << QStringLiteral("easy");
    // Negative as shown: a -0.000 is no warning.
    if (discrimination && rounded(*discrimination) < 0)
        found << QStringLiteral("negative-discrimination");
    if (attempts >= kUnpickedAttempts) {
        for (int l = 0; l < kLetters; ++l) {
            if (hasLetter[size_t(l)] && !isKey(l) && picked[size_t(l)] * 100 < 2 * attempts)
                found << QStringLiteral("unpicked-") + QuestionStats::letter(l);
        }
    }
    return found;
}

QString QuestionStats::countStatement(const Filter &filter, bool practiceTable)
{
    QStringList where{QStringLiteral("t.ExamResult IS NOT NULL")};
    if (practiceTable)
        where << QStringLiteral("NOT EXISTS (SELECT 1 FROM PracticeExams p WHERE p.ExamID = t.ExamID)");
    if (!filter.category.isEmpty())
        where
            << QStringLiteral("d.QID IN (SELECT q.QID FROM Q_A q WHERE q.Category = %1)").arg(quoted(filter.category));
    // Dates are stored as ISO text, which sorts as the moments do.
    if (filter.from.isValid())
        where << QStringLiteral("t.ExamDate >= ") + quoted(filter.from.toString(Qt::ISODate));
    if (filter.to.isValid())
        where << QStringLiteral("t.ExamDate < ") + quoted(filter.to.addDays(1).toString(Qt::ISODate));
    // Grouped by the answer as given and by the exam's size, the rows need no expression of their
    // own: the sort the grouping costs is most of the work on the file.
    return QStringLiteral("SELECT d.QID, d.Answer, t.NumOfQuestions, count(*) AS Attempts, sum(t.ExamResult) AS "
                          "SumResult, sum(t.ExamResult * t.ExamResult) AS SumResult2, min(t.ExamResult) AS MinResult, "
                          "max(t.ExamResult) AS MaxResult FROM ExamTitle t INNER JOIN ExamDetails d ON d.ExamID = "
                          "t.ExamID WHERE %1 GROUP BY d.QID, d.Answer, t.NumOfQuestions")
        .arg(where.join(QStringLiteral(" AND ")));
}

bool QuestionStats::mayRead(Database &db)
{
    if (db.target() != SqlDialect::Target::PostgreSql)
        return true;
    Database::Result result;
    DbError failure;
    const QString sql = QStringLiteral("SELECT CASE WHEN EXISTS (SELECT 1 FROM pg_roles WHERE rolname = '%1' AND "
                                       "pg_has_role(session_user, oid, 'MEMBER')) THEN 1 ELSE 0 END")
                            .arg(QLatin1String(ExamSchema::kTrainerRole));
    return db.query(sql, &result, &failure) && !result.rows.empty() && result.rows.front().front().toInt() == 1;
}

bool QuestionStats::compute(Database &db, const Filter &filter, std::vector<Row> *rows, QString *error)
{
    rows->clear();
    if (!mayRead(db)) {
        *error = QStringLiteral("Question statistics are for trainers: they show every candidate's answers.");
        return false;
    }
    DbError failure;
    // Exams whose time ran out count as the server scores them, before anything is counted.
    if (db.target() == SqlDialect::Target::PostgreSql) {
        Database::Result scored;
        if (!db.query(ServerRules::scoreOverdue(), &scored, &failure)) {
            *error = failure.description;
            return false;
        }
    }
    QString failed;
    const bool fiveAndSix = hasFiveAndSix(db, &failed);
    if (!failed.isEmpty()) {
        *error = failed;
        return false;
    }

    // What each question is: its stable id, category, key and choices.
    const bool keys = db.hasTable(QStringLiteral("QuestionKeys"));
    QString hasChoice;
    for (int l = 0; l < kLetters; ++l) {
        hasChoice += l < 4 || fiveAndSix
            ? QStringLiteral(", CASE WHEN q.%1 IS NULL OR q.%1 = '' THEN 0 ELSE 1 END").arg(letter(l))
            : QStringLiteral(", 0");
    }
    // The question's text only where it has no stable id, which is then made from the text as
    // the pool store makes it.
    const QString sql
        = QStringLiteral("SELECT q.QID, q.Category, q.CorrectAnswer, %1%2 FROM Q_A q %3%4")
              .arg(keys ? QStringLiteral("k.StableID, CASE WHEN k.StableID IS NULL THEN q.Question END")
                        : QStringLiteral("NULL, q.Question"),
                  hasChoice, keys ? QStringLiteral("LEFT JOIN QuestionKeys k ON k.QID = q.QID") : QString(),
                  filter.category.isEmpty() ? QString()
                                            : QStringLiteral(" WHERE q.Category = ") + quoted(filter.category));
    Database::Result questions;
    if (!db.query(db.translate(sql), &questions, &failure)) {
        *error = failure.description;
        return false;
    }
    std::map<qint64, Tally> byQid;
    for (const std::vector<QVariant> &values : questions.rows) {
        Row row;
        row.qid = values.at(0).toLongLong();
        row.category = values.at(1).toString();
        row.correct = values.at(2).toString();
        row.questionId
            = values.at(3).isNull() ? PoolStore::idFromText(values.at(4).toString()) : values.at(3).toString();
        for (int l = 0; l < kLetters; ++l)
            row.hasLetter[size_t(l)] = values.at(size_t(5 + l)).toInt() != 0;
        byQid[row.qid].row = row;
    }

    Database::Result counted;
    if (!db.query(
            db.translate(countStatement(filter, db.hasTable(QStringLiteral("PracticeExams")))), &counted, &failure)) {
        *error = failure.description;
        return false;
    }
    for (const std::vector<QVariant> &values : counted.rows) {
        const auto found = byQid.find(values.at(0).toLongLong());
        if (found == byQid.end())
            continue; // a question no longer in the pool has no key to judge by
        Tally &tally = found->second;
        Row &row = tally.row;
        const QVariant answer = values.at(1);
        const qint64 attempts = values.at(3).toLongLong();
        // Right as the score counts it: the key's letters in either case; an empty answer is wrong.
        const bool right = Breakdown::isCorrect(answer, row.correct);
        const QString given = answer.toString().toUpper();
        row.attempts += attempts;
        row.right += right ? attempts : 0;
        row.blank += given.isEmpty() ? attempts : 0;
        for (int l = 0; l < kLetters; ++l)
            row.picked[size_t(l)] += given.contains(letter(l)) ? attempts : 0;
        // An exam of one question has no rest to compare with.
        const qint64 size = values.at(2).toLongLong();
        if (values.at(2).isNull() || size < 2)
            continue;
        Moments &m = tally.bySize[size];
        m.count += attempts;
        m.sum += values.at(4).toLongLong();
        m.sumOfSquares += values.at(5).toLongLong();
        const double x = right ? 1 : 0;
        const double low = (values.at(6).toDouble() - x) / double(size - 1);
        const double high = (values.at(7).toDouble() - x) / double(size - 1);
        m.minY = m.empty ? low : std::min(m.minY, low);
        m.maxY = m.empty ? high : std::max(m.maxY, high);
        m.empty = false;
        if (right) {
            m.right += attempts;
            m.sumWhenRight += values.at(4).toLongLong();
        }
    }
    for (auto &[qid, tally] : byQid) {
        if (tally.row.attempts == 0)
            continue; // never asked: nothing to tell
        tally.row.discrimination = pearson(tally.sums());
        rows->push_back(tally.row);
    }
    std::sort(rows->begin(), rows->end(), [](const Row &a, const Row &b) {
        return a.questionId != b.questionId ? a.questionId < b.questionId : a.qid < b.qid;
    });
    return true;
}
