#pragma once

#include <vector>

#include <QByteArray>

struct BankQuestion;

// GIFT as the learning platform writes it: a $CATEGORY: line where the category changes, then each
// question as ::id::text{ an answer a line, ####explanation }, true/false as {TRUE} or {FALSE}; the
// right answers of a question of several as ~%50% (an equal share each, and no "=").
// Texts are escaped, line breaks written as \n, and marked [plain] where the platform's default
// format would take "<" or "&" for markup or where a text starts with "[".
namespace GiftWriter {

QByteArray write(const std::vector<BankQuestion> &questions);

} // namespace GiftWriter
