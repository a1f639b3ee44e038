#pragma once

#include <QString>

class BankCollector;

// Moodle XML: a <quiz> of <question> elements, type="category" ones setting the category of those
// after them. multichoice (single="true") and truefalse questions are read: their <name>,
// <questiontext>, <generalfeedback> and <answer fraction="..."> texts, each in the format its
// format attribute names (html, the default, made plain; plain_text, moodle_auto_format and
// markdown kept as they are).
namespace MoodleXmlReader {

void read(const QString &text, BankCollector &into);

} // namespace MoodleXmlReader
