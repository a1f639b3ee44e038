#include "review/ExamReport.h"

#include <QFile>
#include <QFileInfo>
#include <QPdfWriter>
#include <QTextDocument>

#include "data/AnswerKey.h"
#include "data/Breakdown.h"
#include "data/DateFormat.h"
#include "data/Recordset.h"

namespace {
QString escaped(const QVariant &value)
{
    return value.isNull() ? QString()
                          : value.toString().toHtmlEscaped().replace(QLatin1Char('\n'), QLatin1String("<br>"));
}

QString verdict(bool passed)
{
    return passed ? QStringLiteral("<b style=\"color:#1b7a2f\">Pass</b>")
                  : QStringLiteral("<b style=\"color:#b01e1e\">Fail</b>");
}

QString breakdownTable(const Breakdown &breakdown)
{
    QString html = QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\">"
                                  "<tr><th align=\"left\">Category</th><th>Questions</th><th>Correct</th>"
                                  "<th>%</th><th>Result</th></tr>");
    std::vector<CategoryScore> lines = breakdown.categories;
    lines.push_back(breakdown.total);
    for (size_t i = 0; i < lines.size(); ++i) {
        const CategoryScore &line = lines[i];
        const bool total = i + 1 == lines.size();
        const QString open = total ? QStringLiteral("<b>") : QString();
        const QString close = total ? QStringLiteral("</b>") : QString();
        html += QStringLiteral("<tr><td>%1%2%3</td><td align=\"center\">%4</td><td align=\"center\">%5</td>"
                               "<td align=\"center\">%6</td><td align=\"center\">%7</td></tr>")
                    .arg(open, line.category.toHtmlEscaped(), close)
                    .arg(line.questions)
                    .arg(line.correct)
                    .arg(line.percent())
                    .arg(verdict(line.passes(breakdown.passMark)));
    }
    return html + QStringLiteral("</table>");
}
} // namespace

QString ExamReport::html(const Header &header, const Recordset &rows, const Breakdown &breakdown)
{
    const auto field
        = [&rows](int row, const char *name) { return rows.value(row, rows.fieldIndex(QString::fromLatin1(name))); };
    const int count = rows.RecordCount();
    const QDateTime taken = count > 0 ? DateFormat::parse(field(0, "ExamDate").toString()) : QDateTime();
    const int planned = count > 0 ? field(0, "NumOfQuestions").toInt() : 0;
    QString html = QStringLiteral("<html><body>");
    html += QStringLiteral("<h1>Exam # %1: %2</h1>").arg(header.examId).arg(header.userName.toHtmlEscaped());
    html += QStringLiteral("<table cellpadding=\"3\">");
    const auto fact = [&html](const QString &name, const QString &value) {
        html += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>").arg(name, value);
    };
    fact(QStringLiteral("Name"), header.userName.toHtmlEscaped());
    fact(QStringLiteral("Date"),
        taken.isValid() ? DateFormat::format(taken, QStringLiteral("mm/dd/yy hh:nn AMPM")) : QStringLiteral("unknown"));
    // The time the exam allowed: 1.2 minutes a question.
    fact(QStringLiteral("Duration"), QStringLiteral("%1 minutes").arg(planned * 6 / 5));
    fact(QStringLiteral("Score"),
        QStringLiteral("%1 of %2 correct (%3 %)")
            .arg(breakdown.total.correct)
            .arg(breakdown.total.questions)
            .arg(breakdown.total.percent()));
    fact(QStringLiteral("Result"),
        verdict(breakdown.passed()) + QStringLiteral(" (pass mark %1 %)").arg(breakdown.passMark));
    if (breakdown.practice)
        fact(QStringLiteral("Kind"), QStringLiteral("Practice exam: questions answered wrong before"));
    html += QStringLiteral("</table>");
    html += QStringLiteral("<h2>Breakdown</h2>") + breakdownTable(breakdown);
    html += QStringLiteral("<h2>Questions</h2>");
    for (int row = 0; row < count; ++row) {
        const QVariant answer = field(row, "Answer");
        const QVariant correct = field(row, "CorrectAnswer");
        const bool right = Breakdown::isCorrect(answer, correct);
        html += QStringLiteral("<h3>Question %1 of %2 (%3)%4</h3>")
                    .arg(row + 1)
                    .arg(count)
                    .arg(escaped(field(row, "Category")))
                    .arg(right ? QString() : QStringLiteral(" <span style=\"color:#b01e1e\">WRONG</span>"));
        html += QStringLiteral("<p>%1</p>").arg(escaped(field(row, "Question")));
        // A question of several right answers marks each letter ticked or right.
        const QString given = answer.toString().toUpper();
        const QString key = correct.toString().toUpper();
        const bool several = key.size() > 1;
        if (several)
            html += QStringLiteral("<p><i>%1</i></p>").arg(AnswerKey::chooseLine(int(key.size())));
        for (int k = 0; k < AnswerKey::kMaxChoices; ++k) {
            const QChar letter = AnswerKey::letter(k);
            const QVariant choice = field(row, QByteArray(1, char(letter.unicode())).constData());
            if (choice.isNull() || choice.toString().isEmpty())
                continue;
            const bool ticked = given.contains(letter);
            const bool isRight = key.contains(letter);
            const QString mark = !several ? QString()
                : ticked                  ? (isRight ? QStringLiteral(" <b style=\"color:#1b7a2f\">[right]</b>")
                                                     : QStringLiteral(" <b style=\"color:#b01e1e\">[wrong]</b>"))
                : isRight                 ? QStringLiteral(" <b style=\"color:#b05c00\">[missed]</b>")
                                          : QString();
            html += QStringLiteral("<p style=\"margin-left:12px\">%1. %2%3</p>").arg(letter).arg(escaped(choice), mark);
        }
        const QString yours = answer.isNull() || answer.toString().isEmpty() ? QStringLiteral("none") : escaped(answer);
        html += QStringLiteral("<p><b>Your answer:</b> %1%2 &nbsp;&nbsp; <b>Correct answer:</b> %3</p>")
                    .arg(right ? yours : QStringLiteral("<span style=\"color:#b01e1e\">%1</span>").arg(yours))
                    .arg(right ? QString() : QStringLiteral(" (wrong)"))
                    .arg(escaped(correct));
        html += QStringLiteral("<p><b>Explanation:</b> %1</p>").arg(escaped(field(row, "Description")));
    }
    return html + QStringLiteral("</body></html>");
}

void ExamReport::print(const QString &html, QPagedPaintDevice *device)
{
    QTextDocument document;
    QFont font = document.defaultFont();
    font.setPointSizeF(10);
    document.setDefaultFont(font);
    document.setHtml(html);
    // Without a page size of its own the document is paginated for the device and its pages
    // are numbered.
    document.print(device);
}

bool ExamReport::writePdf(const QString &html, const QString &path, QString *error)
{
    // QPdfWriter reports no failure to open its file: try the file first.
    QFile probe(path);
    const bool existed = probe.exists();
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = probe.errorString();
        return false;
    }
    probe.close();
    if (!existed)
        probe.remove();
    QPdfWriter writer(path);
    writer.setTitle(QFileInfo(path).completeBaseName());
    writer.setCreator(QStringLiteral("VESK"));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(300);
    print(html, &writer);
    return true;
}
