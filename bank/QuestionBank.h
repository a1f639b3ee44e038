#pragma once

#include <map>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "bank/BankQuestion.h"
#include "bank/BankReadResult.h"

// Question banks in the formats learning platforms read and write, and the pool's own JSON: the
// one door to bank/ for the program and the pool builder. Needs nothing but Qt Core.
//
// Reading keeps multiple-choice questions of two to six choices, with one right answer or several
// (every one of them to be chosen), and true/false questions, in the bank's order of choices;
// every other kind is skipped whole and counted. Texts come out plain: HTML becomes text, a plain
// format keeps "<" and "&" as they are.
namespace QuestionBank {

enum class Format { Gift, Aiken, MoodleXml, Csv, Json };
constexpr Format kFormats[] = {Format::Gift, Format::Aiken, Format::MoodleXml, Format::Csv, Format::Json};

// The format of a file, told by its content past the blank lines, XML processing instructions
// and comments and GIFT comment lines it may start with; the file name's extension (.gift, .txt
// for Aiken, .xml, .csv, .json) decides only when the content does not (an empty file, a text
// with no question in it). None when neither tells.
std::optional<Format> detect(const QByteArray &bytes, const QString &fileName = QString());

// Reads a whole file in `format`. Files are UTF-8, with or without a byte-order mark, or UTF-16
// with one, with CRLF or LF line ends; a Moodle XML document may also be in the encoding its
// declaration names. Anything else is refused with the line of the first fault.
BankReadResult read(const QByteArray &bytes, Format format);

// Writes every question given, in their order, as the format's own tools write it. Reading it
// back gives the same questions, up to what the format holds: Aiken keeps no explanation,
// category or id, puts a choice on one line and leaves out a question of several right answers,
// CSV keeps no id, CSV and JSON keep a category as
// its path's last part (GIFT and Moodle XML keep the path). GIFT and Moodle XML keep an id as the
// question's name, which reads back as that id when it has the form VESK gives ids (every id
// a reader makes, and the pool's); another comes back as "imp-" and its slug (BankIds).
// `warnings`, when given, gets what a question lost that the format cannot hold, a line a
// question (Aiken: "st-001: explanation and category not written: Aiken cannot hold them",
// "st-007: not written: Aiken cannot hold several right answers (AC)").
QByteArray write(const std::vector<BankQuestion> &questions, Format format, QStringList *warnings = nullptr);

QString formatName(Format format); // "GIFT", "Aiken", "Moodle XML", "CSV", "JSON"
// The format a command line names: the format's name or its extension, in any case ("gift",
// "aiken", "xml", "moodle", "moodlexml", "csv", "json").
std::optional<Format> formatFromName(const QString &name);
QString fileExtension(Format format); // without the dot: "gift", "txt", "xml", "csv", "json"
QString fileFilter(Format format); // for a file dialog: "GIFT (*.gift *.txt)"
// Every question bank, then each format, then all files: the import dialog's filters.
QStringList fileFilters();

// A question's text as ids are made from it (BankIds): canonical composition, case folded, runs of
// white space made one space, no space at the ends.
QString normalisedText(const QString &text);

// "skipped: 1 essay, 1 matching, 2 partial credit" (kinds in alphabetical order); empty when
// nothing was skipped.
QString skippedReport(const std::map<QString, int> &skippedByKind);

} // namespace QuestionBank
