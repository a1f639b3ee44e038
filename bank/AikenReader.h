#pragma once

#include <QString>

class BankCollector;

// Aiken: a question's text (one line or more), its choices "A. text" or "A) text" (with or without
// the space) in letter order, up to F, then "ANSWER: X"; blank lines between questions. It has no
// other kind of question, one right answer only, no explanation, no category and no name. Texts
// are plain. A broken question is told at the line that breaks it, and reading goes on with the
// next question.
namespace AikenReader {

void read(const QString &text, BankCollector &into);

} // namespace AikenReader
