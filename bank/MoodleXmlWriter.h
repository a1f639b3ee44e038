#pragma once

#include <vector>

#include <QByteArray>

struct BankQuestion;

// Moodle XML as the platform writes it: a category entry where the category changes, then each
// question as a multichoice (answers in the pool's order, numbered ABCD, not shuffled; single with
// fractions 100 and 0, or for several right answers not single, each right one an equal share:
// 50, 33.33333...) or truefalse question, its <name> the question's id, its texts in plain_text
// format, the explanation as <generalfeedback>.
namespace MoodleXmlWriter {

QByteArray write(const std::vector<BankQuestion> &questions);

} // namespace MoodleXmlWriter
