#pragma once

#include <QString>

class BankCollector;

// CSV as RFC 4180 has it (quoted fields may hold commas, doubled quotes and line breaks) with the
// header row Category,Question,A,B,C,D,Correct,Explanation, or with E,F after D for five or six
// choices: a question a row, the last choices empty for fewer, Correct the right letter or
// several ("AC", "A, C": every one of them to be chosen).
namespace CsvReader {

void read(const QString &text, BankCollector &into);

} // namespace CsvReader
