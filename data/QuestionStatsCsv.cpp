#include "data/QuestionStatsCsv.h"

#include <QStringList>

QString QuestionStatsCsv::header()
{
    return QStringLiteral("QuestionID,Category,Attempts,Facility,Discrimination,A,B,C,D,E,F,Blank,Flags");
}

QString QuestionStatsCsv::decimal(double value)
{
    // Rounded first, so that a half is rounded away from zero and never to even.
    return QString::number(QuestionStats::rounded(value), 'f', 3);
}

QString QuestionStatsCsv::quoted(const QString &field)
{
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) && !field.contains(QLatin1Char('\n'))
        && !field.contains(QLatin1Char('\r')))
        return field;
    QString inner = field;
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

QStringList QuestionStatsCsv::fields(const QuestionStats::Row &row)
{
    QStringList cells{row.questionId, row.category, QString::number(row.attempts), decimal(row.facility()),
        row.discrimination ? decimal(*row.discrimination) : QString()};
    for (int l = 0; l < QuestionStats::kLetters; ++l) {
        const std::optional<double> share = row.share(l);
        cells << (share ? decimal(*share) : QString());
    }
    cells << decimal(row.blankShare()) << row.flags().join(QLatin1Char(';'));
    return cells;
}

QByteArray QuestionStatsCsv::write(const std::vector<QuestionStats::Row> &rows)
{
    QByteArray text = header().toUtf8() + '\n';
    for (const QuestionStats::Row &row : rows) {
        QStringList cells = fields(row);
        for (QString &cell : cells)
            cell = quoted(cell);
        text += cells.join(QLatin1Char(',')).toUtf8() + '\n';
    }
    return text;
}
