#pragma once

#include <QByteArray>
#include <QString>

class BankCollector;

// Moodle XML: a <quiz> of <question> elements, type="category" ones setting the category of those
// after them. multichoice, multichoiceset and truefalse questions are read: their <name>,
// <questiontext>, <generalfeedback> and <answer fraction="..."> texts, each in the format its
// format attribute names (html, the default, made plain; plain_text, moodle_auto_format and
// markdown kept as they are). A multichoice question of <single>false</single> whose right
// choices weigh the same and together 100 % (files write 33.33333) has several right answers.
namespace MoodleXmlReader {

void read(const QString &text, BankCollector &into);
// A document in another encoding than UTF-8 (ISO-8859-1, windows-1252, UTF-16...): the XML
// reader decodes it as its declaration or byte-order mark says.
void read(const QByteArray &bytes, BankCollector &into);

} // namespace MoodleXmlReader
