#pragma once

#include <QString>

class QPagedPaintDevice;
class Recordset;
struct Breakdown;

// The printable report of a reviewed exam: name, date, duration, score, pass or fail, the
// breakdown, then every question with the candidate's answer, the correct one and the
// explanation, wrong ones marked. Laid out as rich text, so that a PDF holds real text, and
// numbered page by page.
namespace ExamReport {
struct Header {
    qint32 examId = 0;
    QString userName;
};

// The report as rich text, from the exam's review rows (every one, whatever the cursor).
QString html(const Header &header, const Recordset &rows, const Breakdown &breakdown);
// Writes the pages into a PDF file; false with `error` set when the file cannot be written.
bool writePdf(const QString &html, const QString &path, QString *error);
// Lays the pages out on any paged device (a printer, a PDF writer), numbered at their feet.
void print(const QString &html, QPagedPaintDevice *device);
} // namespace ExamReport
