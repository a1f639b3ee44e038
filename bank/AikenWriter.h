#pragma once

#include <vector>

#include <QByteArray>

struct BankQuestion;

// Aiken: the question's text, "A. " and each choice on a line of its own, "ANSWER: X", a blank
// line. Aiken holds no explanation, category or id, and a choice on one line only: its line
// breaks become spaces. A line of the question that would read as a choice or an ANSWER line
// starts with a no-break space.
namespace AikenWriter {

QByteArray write(const std::vector<BankQuestion> &questions);

} // namespace AikenWriter
