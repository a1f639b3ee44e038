#pragma once

#include <QString>
#include <QStringList>

// Stable question ids for questions that come from a bank: "imp-" and a slug of the bank's name
// for the question, or "imp-" and the first 12 hex digits of the SHA-1 of its normalised text.
// The same question in the same bank gets the same id at every import.
namespace BankIds {

// An id as VESK writes them: lower-case ASCII letters and digits in hyphen-separated words, at
// least two words ("st-001", "imp-grant-s-tomb"), at most 64 characters. A bank name of this form
// is an id written by VESK, so it is read back as it is.
bool isIdShaped(const QString &text);

// The id a bank's name for a question gives: the name itself when it is id-shaped, else "imp-"
// and its slug (accents dropped, other characters made hyphens, at most 48 characters), or "imp-"
// and the hash of the name when no letter or digit of it is ASCII.
QString fromName(const QString &name);

// The id of a question with no name: "imp-" and the first 12 hex digits of the SHA-1 of its text,
// normalised as duplicates are compared.
QString fromText(const QString &questionText);
// The same for a text already normalised (QuestionBank::normalisedText).
QString fromNormalisedText(const QString &normalised);

// The id of a question with no name whose text an earlier question of the bank already has (with
// other choices, or another right answer): the hash of its text and its choices (all it has, up
// to F), in their order, each normalised, and its right letters when there are several ("AC").
// The earlier question keeps the id of its text alone, as it had before.
QString fromTextAndChoices(const QString &questionText, const QStringList &choices, const QString &correct = QString());

} // namespace BankIds
