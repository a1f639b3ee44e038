#pragma once

#include <vector>

#include <QByteArray>
#include <QStringList>

struct BankQuestion;

// Aiken: the question's text, "A. " and each choice on a line of its own, "ANSWER: X", a blank
// line. Aiken holds one right answer only, no explanation, category or id, and a choice on one
// line only: its line breaks become spaces. A question of several right answers is not written.
// A line of the question that would read as a choice or an ANSWER line starts with a no-break
// space.
namespace AikenWriter {

// `warnings`, when given, gets a line for each question left out ("st-007: not written: Aiken
// cannot hold several right answers (AC)") and each that lost an explanation, a category or a
// choice's line breaks ("st-001: explanation and category not written: Aiken cannot hold them"),
// named by its line in the bank it was read from, else by its id.
QByteArray write(const std::vector<BankQuestion> &questions, QStringList *warnings = nullptr);

} // namespace AikenWriter
