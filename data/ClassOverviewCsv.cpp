#include "data/ClassOverviewCsv.h"

#include <QStringList>

#include "data/ExamSchema.h"
#include "data/QuestionStatsCsv.h"

QString ClassOverviewCsv::header()
{
    QStringList names{QStringLiteral("Candidate"), QStringLiteral("Exams"), QStringLiteral("Latest")};
    for (const QString &category : ExamSchema::categories())
        names << QuestionStatsCsv::quoted(category);
    return names.join(QLatin1Char(','));
}

QByteArray ClassOverviewCsv::write(const std::vector<ClassOverview::Candidate> &rows, int passMark)
{
    QByteArray text = header().toUtf8() + '\n';
    for (const ClassOverview::Candidate &row : rows) {
        const std::optional<bool> passed = row.latestPassed(passMark);
        QStringList cells{QuestionStatsCsv::quoted(row.name), QString::number(row.exams),
            passed ? (*passed ? QStringLiteral("pass") : QStringLiteral("fail")) : QString()};
        for (const CategoryScore &cell : row.categories)
            cells << ClassOverview::percent(cell);
        text += cells.join(QLatin1Char(',')).toUtf8() + '\n';
    }
    return text;
}
