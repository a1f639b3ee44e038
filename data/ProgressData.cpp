#include "data/ProgressData.h"

#include <algorithm>
#include <map>
#include <set>

#include "data/DateFormat.h"
#include "data/ExamQueries.h"
#include "data/ExamSchema.h"
#include "data/Recordset.h"
#include "data/cDBAccess.h"

namespace {
QString when(const ProgressData::Exam &exam)
{
    return DateFormat::format(exam.taken, QStringLiteral("mm/dd/yy hh:nn AMPM"));
}

bool hasTable(cDBAccess &db, const QString &name)
{
    const std::shared_ptr<Recordset> found = db.GetRS(ExamQueries::tableExists(name));
    return found && found->Fields(QStringLiteral("Found")).toInt() > 0;
}
} // namespace

QStringList ProgressData::orderCandidates(QStringList names, const QString &first)
{
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int blind = a.compare(b, Qt::CaseInsensitive);
        return blind != 0 ? blind < 0 : a < b;
    });
    names.erase(std::unique(names.begin(), names.end()), names.end());
    if (names.removeOne(first))
        names.prepend(first);
    return names;
}

QStringList ProgressData::candidates(cDBAccess &db, const QString &first)
{
    QStringList names;
    const std::shared_ptr<Recordset> rows = db.GetRS(ExamQueries::candidateNames());
    for (int row = 0; rows && row < rows->RecordCount(); ++row)
        names << rows->value(row, 0).toString();
    return orderCandidates(names, first);
}

std::vector<ProgressData::Exam> ProgressData::examsOf(cDBAccess &db, const QString &userName)
{
    std::vector<Exam> exams;
    const std::shared_ptr<Recordset> titles = db.GetRS(ExamQueries::scoredExamsOf(userName));
    if (!titles)
        return exams;
    std::map<qint32, size_t> byId;
    for (int row = 0; row < titles->RecordCount(); ++row) {
        Exam exam;
        exam.examId = titles->value(row, 0).toInt();
        exam.taken = DateFormat::parse(titles->value(row, 1).toString());
        exam.questions = titles->value(row, 2).toInt();
        exam.correct = titles->value(row, 3).toInt();
        byId[exam.examId] = exams.size();
        exams.push_back(std::move(exam));
    }
    if (hasTable(db, QStringLiteral("PracticeExams"))) {
        const std::shared_ptr<Recordset> practice = db.GetRS(ExamQueries::practiceExamsOf(userName));
        for (int row = 0; practice && row < practice->RecordCount(); ++row) {
            const auto found = byId.find(practice->value(row, 0).toInt());
            if (found != byId.end())
                exams[found->second].practice = true;
        }
    }
    // Each exam's categories from its answers, counted as the score counts them.
    const std::shared_ptr<Recordset> answers = db.GetRS(ExamQueries::scoredAnswersOf(userName));
    if (!answers)
        return exams;
    const QStringList pool = ExamSchema::categories();
    std::map<qint32, std::map<int, CategoryScore>> counts; // exam -> pool index -> score
    for (int row = 0; row < answers->RecordCount(); ++row) {
        const int category = int(pool.indexOf(answers->value(row, 4).toString()));
        if (category < 0)
            continue;
        CategoryScore &score = counts[answers->value(row, 0).toInt()][category];
        score.category = pool.at(category);
        ++score.questions;
        score.correct += Breakdown::isCorrect(answers->value(row, 2), answers->value(row, 3)) ? 1 : 0;
    }
    for (auto &[examId, scores] : counts) {
        const auto found = byId.find(examId);
        if (found == byId.end())
            continue;
        for (const auto &entry : scores)
            exams[found->second].categories.push_back(entry.second);
    }
    return exams;
}

ProgressChart ProgressData::chart(const QString &candidate, const std::vector<Exam> &exams, int passMark)
{
    ProgressChart result;
    result.candidate = candidate;
    result.passMark = passMark;
    ProgressChart::Line full{ProgressChart::Kind::FullExams, QStringLiteral("Full exams"), {}};
    ProgressChart::Line practice{ProgressChart::Kind::PracticeExams, QStringLiteral("Practice exams"), {}};
    std::map<int, ProgressChart::Line> categories; // by pool index
    const QStringList pool = ExamSchema::categories();
    int place = 0;
    for (const Exam &exam : exams) {
        if (exam.questions <= 0)
            continue;
        ++place;
        const int percent = exam.correct * 100 / exam.questions;
        const bool passed = exam.correct * 100 >= passMark * exam.questions;
        const QString title = (exam.practice ? QStringLiteral("Practice exam # ") : QStringLiteral("Exam # "))
            + QString::number(exam.examId) + QStringLiteral(", ") + when(exam);
        ProgressChart::Point point{double(place), exam.correct * 100.0 / exam.questions, exam.examId,
            title
                + QStringLiteral("\n%1 questions, %2 correct: %3 % (%4)")
                      .arg(exam.questions)
                      .arg(exam.correct)
                      .arg(percent)
                      .arg(passed ? QStringLiteral("Pass") : QStringLiteral("Fail"))};
        (exam.practice ? practice : full).points.push_back(point);
        if (exam.practice)
            continue;
        for (const CategoryScore &score : exam.categories) {
            const int index = int(pool.indexOf(score.category));
            ProgressChart::Line &line = categories[index];
            line.kind = ProgressChart::Kind::Category;
            line.name = score.category;
            line.points.push_back({double(place), score.correct * 100.0 / score.questions, exam.examId,
                score.category
                    + QStringLiteral(" in exam # %1, %2\n%3 of %4 correct: %5 %")
                          .arg(exam.examId)
                          .arg(when(exam))
                          .arg(score.correct)
                          .arg(score.questions)
                          .arg(score.percent())});
        }
    }
    result.exams = place;
    ProgressChart::Line mark{ProgressChart::Kind::PassMark, QStringLiteral("Pass mark %1 %").arg(passMark), {}};
    // Across the whole axis, which reaches half an exam beyond the first and the last.
    if (place > 0) {
        mark.points.push_back({0.5, double(passMark), 0, QString()});
        mark.points.push_back({place + 0.5, double(passMark), 0, QString()});
    }
    result.lines.push_back(std::move(full));
    result.lines.push_back(std::move(practice));
    result.lines.push_back(std::move(mark));
    for (auto &entry : categories)
        result.lines.push_back(std::move(entry.second));
    return result;
}
