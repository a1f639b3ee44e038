#pragma once

#include <vector>

#include <QByteArray>

struct BankQuestion;

// CSV as spreadsheets read it: a byte-order mark (so that they take it for UTF-8), the header row
// Category,Question,A,B,C,D,Correct,Explanation (with E,F after D when a question has five or six
// choices), a row a question, Correct the right letters ("AC"), CRLF line ends and RFC 4180
// quoting where a field needs it. The category is the path's last part; ids are not kept.
namespace CsvWriter {

QByteArray write(const std::vector<BankQuestion> &questions);

} // namespace CsvWriter
