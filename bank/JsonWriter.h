#pragma once

#include <vector>

#include <QByteArray>

struct BankQuestion;

// The question pool's own JSON, byte for byte as pool/*.json are written: an array of objects with
// the keys id, category, question, a, b, c, d, (e and f for a fifth and sixth choice,) correct and
// explanation in that order, indented by two spaces, characters beyond ASCII as they are, a line
// break at the end.
namespace JsonWriter {

QByteArray write(const std::vector<BankQuestion> &questions);

} // namespace JsonWriter
