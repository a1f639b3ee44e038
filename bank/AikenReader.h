#pragma once

#include <QString>

class BankCollector;

// Aiken: a question's text (one line or more), its choices "A. text" or "A) text" in letter order,
// then "ANSWER: X"; blank lines between questions. It has no other kind of question, no
// explanation, no category and no name. Texts are plain.
namespace AikenReader {

void read(const QString &text, BankCollector &into);

} // namespace AikenReader
