#pragma once

#include <vector>

#include <QByteArray>
#include <QString>

#include "data/ClassOverview.h"

// The class overview as a CSV file: the header Candidate,Exams,Latest and the six categories, one
// line a candidate in the order given; Latest is "pass", "fail" or empty, a category the percentage
// right with one decimal and a point whatever the locale, empty when nothing was asked. UTF-8
// without a byte order mark, LF line ends, fields quoted as RFC 4180 says (as the statistics' CSV).
class ClassOverviewCsv final {
public:
    static QByteArray write(const std::vector<ClassOverview::Candidate> &rows, int passMark);
    static QString header();

private:
    ClassOverviewCsv() = delete;
};
