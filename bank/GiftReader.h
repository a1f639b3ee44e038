#pragma once

#include <QString>

class BankCollector;

// GIFT, as the learning platform that defined it reads it: questions separated by blank lines,
// "//" comment lines, $CATEGORY: lines, ::name::, [html] [moodle] [plain] [markdown] text
// formats, answers in braces with = ~ # %weight% and ####general feedback, and the escapes
// \~ \= \# \{ \} \: \\ and \n. Without an "=", right choices of equal weights summing to 100 %
// ("~%50%a ~%50%b ~%-100%c") make a question of several right answers; with one, a question is
// answered with one choice. A missing-word question ("Grant is {=buried ~living} here.") is
// read with "_____" in its text. As that platform does, "~=x" is the right answer x, a "~" with
// nothing after it is no answer, and after a closed answer block a line naming a question or a
// $CATEGORY: (or opening answers right after that block) starts the next item without a blank line.
namespace GiftReader {

void read(const QString &text, BankCollector &into);

} // namespace GiftReader
