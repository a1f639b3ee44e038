#pragma once

#include <QString>

class BankCollector;

// CSV as RFC 4180 has it (quoted fields may hold commas, doubled quotes and line breaks) with the
// header row Category,Question,A,B,C,D,Correct,Explanation: a question a row, C and D empty for
// fewer choices, Correct a letter (several letters are a multiple-answer question, skipped).
namespace CsvReader {

void read(const QString &text, BankCollector &into);

} // namespace CsvReader
