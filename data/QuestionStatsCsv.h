#pragma once

#include <vector>

#include <QByteArray>
#include <QString>

#include "data/QuestionStats.h"

// The question statistics as the CSV file scripts read: the header
// QuestionID,Category,Attempts,Facility,Discrimination,A,B,C,D,E,F,Blank,Flags, one line a question
// in the order given, fractions with three decimals and a point whatever the locale, an empty field
// for a letter the question lacks or a discrimination that is not defined, flags separated by ';'.
// UTF-8 without a byte order mark, LF line ends, fields quoted as RFC 4180 says.
class QuestionStatsCsv final {
public:
    static QByteArray write(const std::vector<QuestionStats::Row> &rows);
    static QString header();
    // One row's fields, unquoted.
    static QStringList fields(const QuestionStats::Row &row);
    // 0.1875 -> "0.188".
    static QString decimal(double value);
    // The field as written: in double quotes, each inner quote doubled, when it holds a comma, a
    // quote or a line break.
    static QString quoted(const QString &field);

private:
    QuestionStatsCsv() = delete;
};
